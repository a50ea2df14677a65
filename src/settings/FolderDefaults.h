#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <QLatin1StringView>

// The keys of the three working folders in the per-user "configu.ini". The first-start defaults
// below and the folder manager (CDManager) read and write the same keys; users' files carry them,
// so the texts never change.
namespace FolderKeys {
inline constexpr QLatin1StringView kCacheDir{"cachedir"};
inline constexpr QLatin1StringView kDownDir{"downdir"};
inline constexpr QLatin1StringView kLrcDir{"lrcdir"};
} // namespace FolderKeys

// One mounted volume as the first start sees it. The caller fills these from the machine, so the
// choice itself can be tried with any set of volumes.
struct FolderVolume
{
    QString rootPath;
    qint64 bytesFree = -1; // available to the user; negative when unknown
    bool writable = false;
    bool userOwned = false;
};

// The root the three folders go under: the writable, user-owned volume with the most free MiB
// (bytesFree >> 20, must be > 0; the earlier one wins a tie); none -> fallbackRoot.
QString g_chooseFolderRoot(const QList<FolderVolume> &volumes, const QString &fallbackRoot);

// The first-start rule on the INI file iniPath: when "cachedir" is non-empty, touch nothing; else
// write "cachedir" = root + "/lanyun_music/temp", "downdir" = root + "/lanyun_music/" and
// "lrcdir" = root + "/lanyun_music/lrc", root being g_chooseFolderRoot's answer without a trailing
// "/" and with "/" separators. Creates no folder: the folder manager makes them when it reads them.
// The caller passes the user's music folder (when it exists, else home) as fallbackRoot.
void g_setDirPathDefaults(const QString &iniPath, const QList<FolderVolume> &volumes,
                          const QString &fallbackRoot);
