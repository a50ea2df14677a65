#include "services/seams/LoggingPlayListSeam.h"

#include "services/core/LogCategories.h"

#include <QDebug>

void LoggingPlayListSeam::getNextSongandSelIt(int nListId, spis &s)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId;
    s.filePath.clear();
}

bool LoggingPlayListSeam::getRealNextSongandSelIt(int nListId, spis &)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId;
    return false;
}

bool LoggingPlayListSeam::getRealPrevSongandSelIt(int nListId, spis &)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId;
    return false;
}

void LoggingPlayListSeam::dealWithWrong(int nListId, int nReason)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId << nReason;
}

QString LoggingPlayListSeam::changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                                       const QString &duration, const QString &size,
                                                       const QString &picture)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId << id << path << duration << size << picture;
    return QString();
}

void LoggingPlayListSeam::changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId << sDur << sLocalSong;
}

void LoggingPlayListSeam::closeCurDisplayingEditor()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingPlayListSeam::clearCurPlayingRow(int nListId)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nListId;
}

void LoggingPlayListSeam::increaseChartCount(const QString &id)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << id;
}

int LoggingPlayListSeam::playQueueRowCount()
{
    return 0;
}

QString LoggingPlayListSeam::playQueueRowId(int)
{
    return QString();
}

QString LoggingPlayListSeam::playQueueRowAlbum(int)
{
    return QString();
}

void LoggingPlayListSeam::setPlayQueueRowAlbum(int row, const QString &album)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << row << album;
}
