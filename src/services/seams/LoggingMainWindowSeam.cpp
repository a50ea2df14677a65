#include "services/seams/LoggingMainWindowSeam.h"

#include "services/core/LocalSongInfo.h"
#include "services/core/LogCategories.h"
#include "services/playback/songplayHandler.h"

#include <QDebug>

void LoggingMainWindowSeam::showHint(const QString &text)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << text;
}

int LoggingMainWindowSeam::execMessageBox(const QString &title, const QString &text, int buttonType)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << title << text << buttonType;
    return 0;
}

void LoggingMainWindowSeam::execDialog(const QString &title, const QString &text)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << title << text;
}

void LoggingMainWindowSeam::showCriticalMessage(const QString &title, const QString &text)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << title << text;
}

void LoggingMainWindowSeam::updatePreURL()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::retryRequestNetList()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::syncFavList()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::cleanFavAfterLogout()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::enableSyncFavButton()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::setOnlineCount(const QString &text, const QString &toolTip)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << text << toolTip;
}

void LoggingMainWindowSeam::clickNextButton()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::showAlbumPictures(const QImage &pic50, const QImage &pic70)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << pic50.size() << pic70.size();
}

void LoggingMainWindowSeam::showUserPicture(const QImage &picture)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << picture.size();
}

void LoggingMainWindowSeam::setRadioChannels(const QList<FmChannelInfo> &channels)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << channels.size();
}

void LoggingMainWindowSeam::changeNetplayStatus(int nStatus, const QString &s)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nStatus << s;
}

void LoggingMainWindowSeam::dealWithPlayStarted()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::resetPlayingInfo()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::DisableSth(bool bAutoEnable)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << bAutoEnable;
}

void LoggingMainWindowSeam::stopElapsedTimer()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << sDur << sLocalSong;
}

void LoggingMainWindowSeam::setLoveBtnState(quint32 id)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << id;
}

void LoggingMainWindowSeam::refreshLocalWgts()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << g_listLocalSongs.size();
    // Without library pages nobody takes the records over. The list is emptied here too, so no
    // caller can link to a record that is gone.
    qDeleteAll(g_listLocalSongs);
    g_listLocalSongs.clear();
}

void LoggingMainWindowSeam::hideSliderTimeHint()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}

void LoggingMainWindowSeam::songPlayStopped(int nReason)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << nReason;
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->StartPlayNextSong(nReason);
}
