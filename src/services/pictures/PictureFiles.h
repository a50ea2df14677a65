#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture files of the album and singer caches: downloaded bytes stored unchanged, directly
// in the per-user data folder, each named by the milliseconds since 1970-01-01 00:00 UTC at
// storing time, in decimal, without extension.
//
// Both caches share the folder and the rule, so two pictures stored in the same millisecond
// (or a name left by an earlier run) would take the same name: a name is only ever taken by
// creating the file exclusively, and a taken name moves on to the next number. No picture file
// is ever overwritten.
//
// Threads: any; the last issued number is guarded by a leaf lock.

// The decoded picture, or a null image when the bytes are no picture (an HTML error page served
// with status 200, a truncated download).
[[nodiscard]] QImage g_decodePicture(const QByteArray &bytes);

// Stores bytes as a new file in folder; fileName receives the bare name. False when no file
// could be created or written (errorText says why; no file is left behind). The file appears
// whole: its name is taken by an empty file that the written bytes then replace.
[[nodiscard]] bool g_storePictureFile(const QString &folder, const QByteArray &bytes, QString *fileName,
                                      QString *errorText);

// Whether a name read back from an association file is a plain name inside the data folder
// (no separator, not "." or ".."). A damaged or edited file must not make the caches read
// pictures from elsewhere.
bool g_isPlainFileName(const QString &name);
