#include "services/seams/PlayListSeam.h"

#include <QDebug>

PlayListSeam::~PlayListSeam() = default;

void PlayListSeam::getNextSongandSelIt(int nListId, spis &s)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    s.filePath.clear();
}

bool PlayListSeam::getRealNextSongandSelIt(int nListId, spis &)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    return false;
}

bool PlayListSeam::getRealPrevSongandSelIt(int nListId, spis &)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
    return false;
}

void PlayListSeam::dealWithWrong(int nListId, int nReason)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << nReason;
}

QString PlayListSeam::changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                                const QString &duration, const QString &size,
                                                const QString &picture)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << id << path << duration << size << picture;
    return QString();
}

void PlayListSeam::changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId << sDur << sLocalSong;
}

void PlayListSeam::closeCurDisplayingEditor()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void PlayListSeam::clearCurPlayingRow(int nListId)
{
    qDebug().noquote() << Q_FUNC_INFO << nListId;
}

void PlayListSeam::increaseChartCount(const QString &id)
{
    qDebug().noquote() << Q_FUNC_INFO << id;
}

int PlayListSeam::playQueueRowCount()
{
    return 0;
}

QString PlayListSeam::playQueueRowId(int)
{
    return QString();
}

QString PlayListSeam::playQueueRowAlbum(int)
{
    return QString();
}

void PlayListSeam::setPlayQueueRowAlbum(int row, const QString &album)
{
    qDebug().noquote() << Q_FUNC_INFO << row << album;
}

namespace {

PlayListSeam *&installed()
{
    static PlayListSeam *seam = nullptr;
    return seam;
}

} // namespace

PlayListSeam *g_playListSeam()
{
    static PlayListSeam fallback;
    PlayListSeam *seam = installed();
    return seam ? seam : &fallback;
}

void g_setPlayListSeam(PlayListSeam *seam)
{
    installed() = seam;
}
