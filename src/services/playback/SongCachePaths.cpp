#include "services/playback/SongCachePaths.h"

#include "services/core/FileNameBase64.h"
#include "services/core/SafeFileName.h"

QString g_joinPath(const QString &folder, const QString &fileName)
{
    if (folder.isEmpty())
        return QString();
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

QString g_cachedSongPath(const QString &cacheDir, const QString &songName)
{
    return g_joinPath(cacheDir, g_safeFileName(encodeFileNameBase64(songName), QStringLiteral(".dat")));
}

QString g_partialSongPath(const QString &cacheDir, const QString &songName)
{
    return g_joinPath(cacheDir, g_safeFileName(songName, QStringLiteral(".vyo")));
}

QString g_downloadedSongPath(const QString &downDir, const QString &songName)
{
    return g_joinPath(downDir, g_safeFileName(songName, QStringLiteral(".mp3")));
}

QString g_lyricFilePath(const QString &lrcDir, const QString &songName, const QString &extension)
{
    return g_joinPath(lrcDir, g_safeFileName(songName, extension));
}
