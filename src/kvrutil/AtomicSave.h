#pragma once

#include "kvrutil_global.h"

#include <QByteArray>
#include <QString>

// The one way the player saves a whole file. The bytes go to a temporary file beside the target
// (QSaveFile), are flushed to disk, and the temporary file then takes the target's name in one
// rename: a crash, a full disk or a failed write leaves the previous file whole, never a
// truncated one.
//
// Threads: any; nothing is shared between calls.

// Replaces (or creates) the file at path with bytes. False when it could not be written;
// errorText (when given) then says why, and the file at path is as it was. The folder must exist.
[[nodiscard]] KVRUTIL_EXPORT bool g_saveFileAtomically(const QString &path, const QByteArray &bytes,
                                                       QString *errorText = nullptr);
