#include "services/seams/LoggingMainWindowSeam.h"

#include "services/core/LocalSongInfo.h"
#include "services/playback/songplayHandler.h"

#include <QDebug>

void LoggingMainWindowSeam::showHint(const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << text;
}

int LoggingMainWindowSeam::execMessageBox(const QString &title, const QString &text, int buttonType)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text << buttonType;
    return 0;
}

void LoggingMainWindowSeam::execDialog(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void LoggingMainWindowSeam::showCriticalMessage(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void LoggingMainWindowSeam::updatePreURL()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::retryRequestNetList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::syncFavList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::cleanFavAfterLogout()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::enableSyncFavButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::setOnlineCount(const QString &text, const QString &toolTip)
{
    qDebug().noquote() << Q_FUNC_INFO << text << toolTip;
}

void LoggingMainWindowSeam::clickNextButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::showAlbumPictures(const QImage &pic50, const QImage &pic70)
{
    qDebug().noquote() << Q_FUNC_INFO << pic50.size() << pic70.size();
}

void LoggingMainWindowSeam::showUserPicture(const QImage &picture)
{
    qDebug().noquote() << Q_FUNC_INFO << picture.size();
}

void LoggingMainWindowSeam::setRadioChannels(const QList<FmChannelInfo> &channels)
{
    qDebug().noquote() << Q_FUNC_INFO << channels.size();
}

void LoggingMainWindowSeam::changeNetplayStatus(int nStatus, const QString &s)
{
    qDebug().noquote() << Q_FUNC_INFO << nStatus << s;
}

void LoggingMainWindowSeam::dealWithPlayStarted()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::resetPlayingInfo()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::DisableSth(bool bAutoEnable)
{
    qDebug().noquote() << Q_FUNC_INFO << bAutoEnable;
}

void LoggingMainWindowSeam::stopElapsedTimer()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong)
{
    qDebug().noquote() << Q_FUNC_INFO << sDur << sLocalSong;
}

void LoggingMainWindowSeam::setLoveBtnState(quint32 id)
{
    qDebug().noquote() << Q_FUNC_INFO << id;
}

void LoggingMainWindowSeam::refreshLocalWgts()
{
    qDebug().noquote() << Q_FUNC_INFO << g_listLocalSongs.size();
    // Without library pages nobody takes the records over; the caller empties the list.
    qDeleteAll(g_listLocalSongs);
}

void LoggingMainWindowSeam::hideSliderTimeHint()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::songPlayStopped(int nReason)
{
    qDebug().noquote() << Q_FUNC_INFO << nReason;
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->StartPlayNextSong(nReason);
}
