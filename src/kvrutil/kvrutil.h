#pragma once

// The exported interface of the kvrutil library.

#include "kvrutil_global.h"

#include "AtomicSave.h"
#include "CBase64Cus.h"
#include "SimpleCrypt.h"

#include <QFileInfo>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QString>

class KVRUTIL_EXPORT Kvrutil
{
public:
    Kvrutil() = default;
    Kvrutil &operator=(const Kvrutil &) = default;
};

// The built-in error page: 493 bytes of HTML whose body holds the placeholder "%1".
// Writes it and a zero into the buffer of `capacity` bytes and returns 493, or writes an
// empty string and returns 0 when it does not fit.
KVRUTIL_EXPORT int getErrHtml(char *buffer, int capacity);
// The error page with `message` in place of "%1", HTML-escaped so a caller's text never
// becomes markup.
KVRUTIL_EXPORT QString getErrHtml(const QString &message);

// Processes are looked up by executable file name, ignoring case, among the current user's
// processes only.
KVRUTIL_EXPORT int IsProcessRunning(QString exeName);
KVRUTIL_EXPORT int TermProcess(QString exeName);

// Makes the player (set) or the previous handler (!set) the default for mp3, wav, wma and ogg.
KVRUTIL_EXPORT void g_setFileAssoc(bool set, QString exePath);
KVRUTIL_EXPORT void g_openandSelectTheFile(QString filePath);
KVRUTIL_EXPORT int g_getDiskFreeSpaceInMB(const unsigned short *path);
KVRUTIL_EXPORT QRegion g_getRoundedRect(const QRect &rect, int radius);
KVRUTIL_EXPORT QList<int> g_getRandInts(int count, int range);
KVRUTIL_EXPORT bool g_removeAppSource(QFileInfo entry);
