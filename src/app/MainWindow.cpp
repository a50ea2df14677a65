#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/kvrTrayWgt.h"
#include "audio/kvraudio.h"
#include "kvrutil/kvrutil.h"
#include "online/SampleQObject.h"
#include "online/UserLabel.h"
#include "platform/MacAddress.h"
#include "playlists/WgtPlaylistAll.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/ProgramHelpers.h"
#include "services/core/SongFileInfo.h"
#include "services/net/HttpObject.h"
#include "services/net/PostLogObject.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/UserpicHandler.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/singerHandler.h"
#include "services/playback/PlaybackRoutes.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/MainWindowSeam.h"
#include "services/seams/PlayListSeam.h"
#include "settings/CDManager.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/kvrLabelInfoHint.h"
#include "shell/kvrMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

MainWindow *g_mainWindow = nullptr;
kvrLabelInfoHint *g_pInfoHint = nullptr;

namespace {

// The network options of URL streams: connect within 20 s, no pre-buffer wait, and give up on a
// server that sends nothing for 10 s.
constexpr DWORD kNetConnectTimeoutMs = 20000;
constexpr DWORD kNetReadTimeoutMs = 10000;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent)
{
    // The engine reaches the window from the first line on: the audio-error box below already
    // goes through it.
    g_setMainWindowSeam(this);

    // The layer needs no window handle; creating the native window here would only be thrown
    // away when main sets the window's flags.
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        g_showBassError(tr("不能初始化音频设备，程序将退出"), true);
        return;
    }
    m_bAudioReady = true;
    // The layer decodes wma through FFmpeg itself; the call stays for its callers' sake.
    BASS_PluginLoad("basswma.dll", 0);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetConnectTimeoutMs);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 0);
    BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, kNetReadTimeoutMs);

    g_pUIRelated = new GlobalMainWgtUIRelated;
    g_pUIRelated->setMainWindowActions(this);
    g_mainWindow = this;

    QApplication::setEffectEnabled(Qt::UI_AnimateCombo);
    QApplication::setEffectEnabled(Qt::UI_AnimateMenu);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip);

    // Tests may place the program folder elsewhere before the window is built.
    if (g_sAppDir.isEmpty())
        g_sAppDir = QCoreApplication::applicationDirPath();
    g_loadServiceHosts(g_sAppDir);
    const ServiceEndpoints &endpoints = g_endpoints();

    m_sSerial = MyIni(nullptr, g_sAppDir + QStringLiteral("/config.ini")).value(QStringLiteral("sn"));
    m_pHttpObject = new HttpObject(this);
    m_slPlayStates = {QStringLiteral("20"), QStringLiteral("1"), QStringLiteral("0")};
    g_presenceState().m_slPlayableStates = m_slPlayStates;
    m_pHttpObject->get(endpoints.playStates, ACTION_GET_PLAY_STATES, 0, {});
    m_pHttpObject->get(endpoints.fmClasses, ACTION_GET_FM_INFO_LIST, 0, {});

    m_sMac = getMacAddress();
    m_pPostLogObj = new PostLogObject(nullptr, endpoints.userClientHandle, {});
    m_sKeyUrl = endpoints.userClientHandle + QStringLiteral("?mac=") +
                QString::fromLatin1(QUrl::toPercentEncoding(m_sMac)) + QStringLiteral("&sn=") +
                QString::fromLatin1(QUrl::toPercentEncoding(m_sSerial)) + QStringLiteral("&type=getkey");
    PresenceState &presence = g_presenceState();
    presence.m_sSerial = m_sSerial;
    presence.m_sKeyUrl = m_sKeyUrl;
    presence.m_sMac = m_sMac;
    presence.m_pPostLogObj = m_pPostLogObj;

    m_bNetworkOk = true;
    m_pTimerDuanWang = new QTimer;
    m_pTimerGuanJi = new QTimer;
    m_pTimerLive = new QTimer;
    m_pTimerInfo = new QTimer;
    connect(m_pTimerDuanWang, &QTimer::timeout, this, &MainWindow::onTimerDuanWang);
    connect(m_pTimerGuanJi, &QTimer::timeout, this, &MainWindow::onTimerGuanJi);
    connect(m_pTimerLive, &QTimer::timeout, this, &MainWindow::onTimerLive);
    connect(m_pTimerInfo, &QTimer::timeout, this, &MainWindow::onTimerInfo);
    m_pTimerDuanWang->start(6000);
    m_pTimerLive->start(600000);
    m_pTimerInfo->start(800);

    // The day log lives in the user's data folder; mkpath, because on a fresh account even the
    // parent folders are missing and the log would be lost without a word.
    if (g_sLogDir.isEmpty()) {
        g_sLogDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                    QStringLiteral("/VyoPlayer/logs");
    }
    QDir().mkpath(g_sLogDir);

    g_pAlbumPicHandler = new albumPicHandler;
    setDirPath();
    loadLrcOffset();
    CD_MANAGER = new CDManager;

    g_pSongPlayHandler = new songplayHandler;
    g_pSingerHandler = new singerHandler;
    g_pRadioPlayHandler = new RadioPlayHandler;
    g_pTrayWgt = new kvrTrayWgt(this);

    g_loadDownloadSettings();

    g_phttpHandler = new httpRequestHandler;
    g_installPlaybackRoutes(g_phttpHandler);
    g_phttpHandler->startHttpRequest(QUrl(endpoints.urlIndex), HTTPREQUEST_TYPE_MAINURL, 1);
    g_pUserpicHandler = new UserpicHandler;

    m_pTimerUpdateTime = new QTimer(this);
    m_pTimerSyncFav = new QTimer(this);
    m_pTimerVolAsc = new QTimer(this);
    m_pTimerVolDesc = new QTimer(this);
    connect(m_pTimerUpdateTime, &QTimer::timeout, this, &MainWindow::updateTime);
    connect(m_pTimerVolAsc, &QTimer::timeout, this, &MainWindow::updateVolAsc);
    connect(m_pTimerVolDesc, &QTimer::timeout, this, &MainWindow::updateVolDesc);
    m_pTimerUpdatesth = new QTimer(this);
    m_pTimerUpdatesth->setSingleShot(true);
    connect(m_pTimerUpdatesth, &QTimer::timeout, this, &MainWindow::updatesth);

    setupUILayout();
    setWindowTitle(tr("澜韵音乐"));
    createWgtNotChild();

    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::freeMem);
    m_dtStart = QDateTime::currentDateTime();
    setFocusPolicy(Qt::ClickFocus);

    if (MyIni(nullptr, g_sDataDir + QStringLiteral("/configu.ini")).value(QStringLiteral("AutoPlay")) ==
            QLatin1String("1") &&
        m_pPlaylistAll && m_pPlaylistAll->rowCount() > 0) {
        resumeOrPause();
    }
}

MainWindow::~MainWindow()
{
    // Whatever quit path ran, nothing of the engine may reach a destroyed window.
    freeMem();
    SampleQObject::setLinkHandler({});
    if (g_pUIRelated)
        g_pUIRelated->setMainWindowActions(nullptr);
    if (g_mainWindowSeam() == this)
        g_setMainWindowSeam(nullptr);
    if (g_playListSeam() == &m_playListPages)
        g_setPlayListSeam(nullptr);
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
    delete m_pTimerDuanWang;
    delete m_pTimerGuanJi;
    delete m_pTimerLive;
    delete m_pTimerInfo;
}

// ---- What the engine asks of the window ----

void MainWindow::showHint(const QString &text)
{
    if (g_pInfoHint)
        g_pInfoHint->showHint(this, text);
}

int MainWindow::execMessageBox(const QString &title, const QString &text, int buttonType)
{
    kvrMessageBox box(this, title, text, buttonType);
    return box.exec();
}

void MainWindow::execDialog(const QString &title, const QString &text)
{
    kvrMessageBox box(nullptr, title, text, 1);
    box.exec();
}

void MainWindow::showCriticalMessage(const QString &title, const QString &text)
{
    QMessageBox::critical(nullptr, title, text, QMessageBox::Ok);
}

void MainWindow::setOnlineCount(const QString &text, const QString &toolTip)
{
    if (!m_pLabelCurUserCount)
        return;
    m_pLabelCurUserCount->setText(text);
    m_pLabelCurUserCount->setToolTip(toolTip);
}

void MainWindow::clickNextButton()
{
    if (m_pBtnNext)
        m_pBtnNext->click();
}

void MainWindow::showAlbumPictures(const QImage &pic50, const QImage &pic70)
{
    if (g_pUIRelated && g_pUIRelated->m_pLabelAlbumPic)
        g_pUIRelated->m_pLabelAlbumPic->setPixmap(QPixmap::fromImage(pic50));
    if (g_pUIRelated && g_pUIRelated->m_pLabelMiniAlbumPic)
        g_pUIRelated->m_pLabelMiniAlbumPic->setPixmap(QPixmap::fromImage(pic70));
}

void MainWindow::showUserPicture(const QImage &picture)
{
    if (m_pLabelUserImage)
        m_pLabelUserImage->setPixmap(QPixmap::fromImage(picture));
}

void MainWindow::songPlayStopped(int nReason)
{
    emit songPlayStoppedSignal(nReason);
}

void MainWindow::commandNotAvailable(const char *what) const
{
    qCDebug(lcApp) << what << "is not available yet";
}
