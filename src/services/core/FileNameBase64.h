#pragma once

#include <QString>

// A song name as Base64 that can serve as a file name: the text's 8-bit bytes (UTF-8) encoded as
// standard Base64 with "=" padding, every "/" replaced by "_". The streamed-song cache and the
// downloads name their files with it (pass the result through g_safeFileName with the extension,
// which shortens names too long for the file system).
QString encodeFileNameBase64(const QString &text);
// The text that was encoded.
QString decodeFileNameBase64(const QString &text);
