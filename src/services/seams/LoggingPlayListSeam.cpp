#include "services/seams/LoggingPlayListSeam.h"

#include <QDebug>

void LoggingPlayListSeam::getNextSongandSelIt(int nListId, spis &s)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    s.filePath.clear();
}

bool LoggingPlayListSeam::getRealNextSongandSelIt(int nListId, spis &)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    return false;
}

bool LoggingPlayListSeam::getRealPrevSongandSelIt(int nListId, spis &)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    return false;
}

void LoggingPlayListSeam::dealWithWrong(int nListId, int nReason)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << nReason;
}

QString LoggingPlayListSeam::changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                                       const QString &duration, const QString &size,
                                                       const QString &picture)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << id << path << duration << size << picture;
    return QString();
}

void LoggingPlayListSeam::changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << sDur << sLocalSong;
}

void LoggingPlayListSeam::closeCurDisplayingEditor()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingPlayListSeam::clearCurPlayingRow(int nListId)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
}

void LoggingPlayListSeam::increaseChartCount(const QString &id)
{
    qDebug().noquote() << Q_FUNC_INFO << id;
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
    qDebug().noquote() << Q_FUNC_INFO << row << album;
}
