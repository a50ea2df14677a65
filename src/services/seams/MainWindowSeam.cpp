#include "services/seams/MainWindowSeam.h"

#include "services/core/LocalSongInfo.h"
#include "services/playback/songplayHandler.h"

#include <QDebug>

MainWindowSeam::~MainWindowSeam() = default;

void MainWindowSeam::showHint(const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << text;
}

int MainWindowSeam::execMessageBox(const QString &title, const QString &text, int buttonType)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text << buttonType;
    return 0;
}

void MainWindowSeam::execDialog(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void MainWindowSeam::showCriticalMessage(const QString &title, const QString &text)
{
    qDebug().noquote() << Q_FUNC_INFO << title << text;
}

void MainWindowSeam::updatePreURL()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::retryRequestNetList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::syncFavList()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::cleanFavAfterLogout()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::enableSyncFavButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::setOnlineCount(const QString &text, const QString &toolTip)
{
    qDebug().noquote() << Q_FUNC_INFO << text << toolTip;
}

void MainWindowSeam::clickNextButton()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::showAlbumPictures(const QImage &pic50, const QImage &pic70)
{
    qDebug().noquote() << Q_FUNC_INFO << pic50.size() << pic70.size();
}

void MainWindowSeam::showUserPicture(const QImage &picture)
{
    qDebug().noquote() << Q_FUNC_INFO << picture.size();
}

void MainWindowSeam::setRadioChannels(const QList<FmChannelInfo> &channels)
{
    qDebug().noquote() << Q_FUNC_INFO << channels.size();
}

void MainWindowSeam::changeNetplayStatus(int nStatus, const QString &s)
{
    qDebug().noquote() << Q_FUNC_INFO << nStatus << s;
}

void MainWindowSeam::dealWithPlayStarted()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::resetPlayingInfo()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::DisableSth(bool bAutoEnable)
{
    qDebug().noquote() << Q_FUNC_INFO << bAutoEnable;
}

void MainWindowSeam::stopElapsedTimer()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong)
{
    qDebug().noquote() << Q_FUNC_INFO << sDur << sLocalSong;
}

void MainWindowSeam::setLoveBtnState(quint32 id)
{
    qDebug().noquote() << Q_FUNC_INFO << id;
}

void MainWindowSeam::refreshLocalWgts()
{
    qDebug().noquote() << Q_FUNC_INFO << g_listLocalSongs.size();
    // Without library pages nobody takes the records over; the caller empties the list.
    qDeleteAll(g_listLocalSongs);
}

void MainWindowSeam::hideSliderTimeHint()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

void MainWindowSeam::songPlayStopped(int nReason)
{
    qDebug().noquote() << Q_FUNC_INFO << nReason;
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->StartPlayNextSong(nReason);
}

namespace {

MainWindowSeam *&installed()
{
    static MainWindowSeam *seam = nullptr;
    return seam;
}

} // namespace

MainWindowSeam *g_mainWindowSeam()
{
    static MainWindowSeam fallback;
    MainWindowSeam *seam = installed();
    return seam ? seam : &fallback;
}

void g_setMainWindowSeam(MainWindowSeam *seam)
{
    installed() = seam;
}
