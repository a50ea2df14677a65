// Start-up: the separate top-level windows and the restored settings, the work after the first
// show, the first loads of the web pages, the radio channels, and the folder defaults.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "library/WgtGedanSelect.h"
#include "library/WgtLocalLists.h"
#include "lyrics/desktopLrc.h"
#include "lyrics/kvrBoxLrc.h"
#include "lyrics/kvrLrcBoxWgt.h"
#include "online/KvrWebView.h"
#include "online/MyWebView.h"
#include "online/SampleQObject.h"
#include "online/WebAdDlg.h"
#include "online/WgtInstantSearch.h"
#include "online/WgtNavigateBar.h"
#include "online/kvrDrawerWeb.h"
#include "platform/VolumeList.h"
#include "playlists/WgtPlaylistAll.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/ProgramHelpers.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/songplayHandler.h"
#include "settings/CDManager.h"
#include "settings/FolderDefaults.h"
#include "settings/kvrEqWidget.h"
#include "shell/PlayModeWgt.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/kvrLabelInfoHint.h"

#include <QAction>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include <unistd.h>

extern kvrLabelInfoHint *g_pInfoHint;

QRect MainWindow::availableDesktop()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 980, 716);
}

QRect MainWindow::startGeometry(const QRect &available)
{
    const int w = qMin(available.width(), 980);
    const int h = qMin(available.height(), 716);
    // The available area's own offset is not added: a top task bar still leaves the window
    // centred in the available height, as it always was.
    return {(available.width() - w) / 2, (available.height() - h) / 2, w, h};
}

void MainWindow::createWgtNotChild()
{
    try {
        m_pMiniTbLrc = new QToolButton;
        m_pMiniTbLrc->setObjectName(QStringLiteral("miniTBLrc"));
        m_pMiniTbLrc->setToolTip(tr("打开或关闭桌面歌词"));
        m_pMiniTbLrc->setCheckable(true);
        connect(m_pMiniTbLrc, &QToolButton::toggled, this, &MainWindow::toggleLRC);

        g_pDesktopLrc = new desktopLrc;
        g_pDesktopLrc->installEventFilter(this);
        connect(CD_MANAGER, &CDManager::lrcDirChanged, g_pDesktopLrc, &desktopLrc::changeLrcDir);
        connect(this, &MainWindow::playStarted, g_pDesktopLrc, &desktopLrc::StartLrcDisplay);
        connect(this, &MainWindow::playPaused, g_pDesktopLrc, &desktopLrc::pauseLrcDisplay);
        connect(this, &MainWindow::playStopped, g_pDesktopLrc, &desktopLrc::stopLrcDisplay);
        connect(this, &MainWindow::showDesktopLrc, g_pDesktopLrc, &desktopLrc::showmyself);
        g_pDesktopLrc->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        g_pDesktopLrc->setAttribute(Qt::WA_TranslucentBackground);
        emit showDesktopLrc();

        // A child window of the main window, so the skin's rule for "#miniWgt" reaches it; it wires
        // its play controls to this window itself.
        g_pMiniWgt = new miniWgt(this, m_pMiniTbLrc, m_pBtnToggleMiniC);
        g_pMiniWgt->hide();
        connect(g_pDesktopLrc, &desktopLrc::lrcLineChanged, g_pMiniWgt, &miniWgt::changeLrcLine);

        const QString userIni = g_sDataDir + QStringLiteral("/configu.ini");
        const QString showGeCi = MyIni(nullptr, userIni).value(QStringLiteral("ShowGeCi"));
        qCDebug(lcApp) << "--------ShowGeCi:" << showGeCi;
        if (showGeCi == QLatin1String("0")) {
            m_pActLrc->setChecked(false);
            g_pDesktopLrc->hide();
        } else {
            m_pActLrc->setChecked(true);
            g_pDesktopLrc->show();
        }

        m_pTrayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/new/prefix1/vyo.ico")), this);
        m_pTrayIcon->setToolTip(tr("澜韵音乐"));
        connect(m_pTrayIcon, &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);
        m_pTrayIcon->setVisible(true);

        m_pWebAdDlg = new WebAdDlg;
        connect(m_pWebAdDlg->m_pWebView, &KvrWebView::linkClicked, this, &MainWindow::dealWithWebLink);

        const QString configIni = g_sAppDir + QStringLiteral("/config.ini");
        const QSettings config(configIni, QSettings::IniFormat);
        const QString home = config.value(QStringLiteral("url/url1"), g_endpoints().homePage).toString();
        // The page loads once the event loop runs, after the window is on the screen: the first
        // look at the player never waits for the network.
        MyWebView *homeView = m_webViews.first();
        homeView->m_sUrl = home;
        QTimer::singleShot(0, homeView, [homeView] { homeView->load(homeView->m_sUrl); });

        // The album buttons of the service's pages run their links through the same commands.
        SampleQObject::setLinkHandler([this](const QUrl &url) { dealWithWebLink(url); });
        for (MyWebView *view : std::as_const(m_webViews))
            connect(view->m_pWebView, &KvrWebView::linkClicked, this, &MainWindow::dealWithWebLink);
        connect(m_pWebStack, &QStackedWidget::currentChanged, this, &MainWindow::loadWebFirstTime);
        connect(m_pRadioStack, &QStackedWidget::currentChanged, this, &MainWindow::loadWebFirstTime);

        // The corner dialog's size comes from the service's configuration: keep it on the desktop.
        const QRect desktop = availableDesktop();
        const int w = qBound(1, config.value(QStringLiteral("BRAd/DlgWidth"), 300).toInt(), desktop.width());
        const int h =
            qBound(1, config.value(QStringLiteral("BRAd/DlgHeight"), 200).toInt(), desktop.height());
        m_pWebAdDlg->setFixedSize(w, h);
        m_pWebAdDlg->move(desktop.width() - w, desktop.height() - h);
        m_nAdSleepMinutes = config.value(QStringLiteral("BRAd/SleepTime"), 360).toInt();
        m_nAdShowMinutes = config.value(QStringLiteral("BRAd/ShowTime"), 10).toInt();

        const QString adConfig =
            g_decryptString(config.value(QStringLiteral("BRAd/GetConfigUrl")).toString(), 2000000);
        if (!adConfig.isEmpty()) {
            qCDebug(lcApp) << "start request ad config";
            g_phttpHandler->startHttpRequest(QUrl(adConfig), HTTPREQUEST_TYPE_ADCONFIG, 0);
        } else {
            qCDebug(lcApp) << "adc de wrong";
        }
        g_phttpHandler->startHttpRequest(QUrl(g_endpoints().onlineCount), HTTPREQUEST_TYPE_ONLINECOUNT, 0);

        const MyIni user(nullptr, userIni);
        bool volumeOk = false;
        const int volume = user.value(QStringLiteral("vol")).toInt(&volumeOk);
        m_nSavedVolume = volumeOk ? qBound(0, volume, 10000) : 10000;
        m_pVolumeSlider->setValue(m_nSavedVolume);
        if (g_pTrayWgt && g_pTrayWgt->m_slider) {
            QSlider *traySlider = g_pTrayWgt->m_slider;
            traySlider->setValue(m_nSavedVolume);
            // The panel's slider sets the volume; the two sliders follow each other.
            connect(traySlider, &QSlider::valueChanged, m_pVolumeSlider, &QSlider::setValue);
            connect(m_pVolumeSlider, &QSlider::valueChanged, traySlider, &QSlider::setValue);
        }
        if (m_nSavedVolume == 0) {
            setVolume(0);
            m_bMuted = true;
        }

        g_bEqOn = user.value(QStringLiteral("eq")) != QLatin1String("0");
        g_bFadeInOut = user.value(QStringLiteral("siso")) == QLatin1String("1");
        bool modeOk = false;
        const int mode = user.value(QStringLiteral("playMode")).toInt(&modeOk);
        g_nPlayMode = modeOk ? mode : 3;
        showOnePlayModeBtn(g_nPlayMode);
        if (g_nPlayMode != 0 && g_nPlayMode != 2 && g_nPlayMode != 3) {
            // In order without wrap has no button of its own: none shows.
            for (QToolButton *button : {m_pBtnModeSC, m_pBtnModeAC, m_pBtnModeR})
                button->hide();
        }
        setPlayModeActionCheckState(g_nPlayMode);
        m_pPlayModeWgt->setCheckedMode(g_nPlayMode);

        m_pEqWidget = new kvrEqWidget;
        m_pEqWidget->setObjectName(QStringLiteral("eqwidget"));

        m_pInstantSearch = new WgtInstantSearch;
        connect(g_phttpHandler, &httpRequestHandler::signalCommon1, m_pInstantSearch,
                &WgtInstantSearch::searchNetResponse);
        connect(m_pSearchEdit, &QLineEdit::editingFinished, m_pInstantSearch,
                &WgtInstantSearch::searchEditFinished);

        connect(this, &MainWindow::songPlayStoppedSignal, this, &MainWindow::addsongtoRecentlists);
        connect(this, &MainWindow::songPlayStoppedSignal, g_pSongPlayHandler,
                &songplayHandler::StartPlayNextSong);

        QSettings registry(QStringLiteral("kvr"), QStringLiteral("vyoplayer"));
        m_bLrcVisible = registry.value(QStringLiteral("lrcVisible"), true).toBool();
        if (m_bLrcVisible)
            m_pBtnLrc->setChecked(true);
        if (!g_pMiniWgt->restoreGeometry(registry.value(QStringLiteral("minigeometry")).toByteArray()))
            g_pMiniWgt->setGeometry(20, 20, 300, 30);

        m_pLocalLists->loadLocalListFile();

        g_pGedanSelect = new WgtGedanSelect;
        g_pInfoHint = new kvrLabelInfoHint(this);
    } catch (const std::exception &e) {
        g_writeExceptionLog("void __thiscall MainWindow::createWgtNotChild(void)",
                            QString::fromUtf8(e.what()));
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::createWgtNotChild(void)");
    }
}

void MainWindow::runOnceAfterShow()
{
    try {
        if (!m_sStartFile.isEmpty())
            m_pPlaylistAll->addSongstoList({m_sStartFile}, true, false, 0);
        MyWebView *home = m_webViews.value(0);
        MyWebView *topic = m_webViews.value(4);
        topic->setGeometry(home->geometry());
        commandNotAvailable("the automatic login");

        const QRect place = startGeometry(availableDesktop());
        move(place.topLeft());
        resize(place.size());

        m_pCentralWidgetMain->resize(m_pCentralWidget->size());
        m_pLrcPage->resize(m_pCentralWidget->size());
        m_pLrcPage->hide();

        m_pPlayPanel->resize(978, 68);
        m_pBoxLrc->lineRect();
        m_pPlayPanelHolder->resize(m_pPlayPanel->size());
        m_pPlayPanel->move(m_pPlayPanelHolder->mapTo(this, QPoint(0, 0)));
        m_pPlayPanel->setStyleSheet(QStringLiteral(
            "#playpanel{max-height:68px; min-height:68px;background-image:url(:/qss/debug/images/"
            "btnimage/tp/playerBg.png);background-repeat: repeat-x;}"));
        m_pPlayPanel->raise();

        m_pMainMenu->installEventFilter(this);
        m_pSearchEdit->installEventFilter(this);
        if (g_pMiniWgt && g_pMiniWgt->m_pMenu)
            g_pMiniWgt->m_pMenu->installEventFilter(this);

        m_pNavigateBar->requestXml();
        m_webViews.value(1)->load(QStringLiteral("about:Tabs"));

        g_pWebDrawer = new kvrDrawerWeb(m_pCentralWidgetMain);
        g_pWebDrawer->move(home->mapTo(m_pCentralWidgetMain, QPoint(0, 0)));
        g_pWebDrawer->resize(home->size());
        g_pWebDrawer->hide();
        connect(m_pTopBarStack, &QStackedWidget::currentChanged, g_pWebDrawer, &kvrDrawerWeb::closeMyself);

        // Drives come and go while the player runs.
        m_pVolumeWatcher = new VolumeWatcher(this);
        connect(m_pVolumeWatcher, &VolumeWatcher::volumesChanged, this, [this] {
            // Only a USB volume arriving or leaving is a device change; other mounts (network
            // shares, loop devices) do not move the user to another page.
            const QStringList roots = usbVolumeRoots();
            if (roots != m_slUsbRoots)
                usbChaRuBaChu(roots.size() > m_slUsbRoots.size() ? 1 : 0);
        });
    } catch (const std::exception &e) {
        g_writeExceptionLog("void __thiscall MainWindow::runOnceAfterShow(void)",
                            QString::fromUtf8(e.what()));
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::runOnceAfterShow(void)");
    }
}

void MainWindow::loadWebFirstTime(int index)
{
    const QObject *source = sender();
    if (source == m_pWebStack) {
        MyWebView *view = m_webViews.value(index);
        if (!view)
            return;
        if (index <= 3) {
            // Returning to one of these tabs after browsing inside it goes back to its start page.
            if (view->url().toString() != view->m_sUrl)
                view->load(view->m_sUrl);
        } else if (index == 4 && !view->url().isValid()) {
            view->load(view->m_sUrl);
        }
    } else if (source == m_pRadioStack) {
        qCDebug(lcApp) << "radio page" << index;
        if (index < 0 || index >= m_fmChannels.size())
            return;
        MyWebView *view = m_fmChannels.at(index).webView;
        if (view && !view->url().isValid())
            view->load(view->m_sUrl);
    }
}

void MainWindow::dealwithNavigateInited()
{
    if (MyWebView *topic = m_webViews.value(4))
        topic->resize(topic->width(), 540);
    if (g_pWebDrawer && !m_webViews.isEmpty())
        g_pWebDrawer->resize(m_webViews.first()->size());
}

void MainWindow::setRadioChannels(const QList<FmChannelInfo> &channels)
{
    // Removing the old pages must not load anything: the stack would report each removal as a
    // change of page while the channel list still names the removed pages.
    {
        const QSignalBlocker blockStack(m_pRadioStack);
        for (FmChannelEntry &entry : m_fmChannels) {
            if (entry.button) {
                m_pFmGroup->removeButton(entry.button);
                delete entry.button;
            }
            if (entry.webView) {
                m_pRadioStack->removeWidget(entry.webView);
                delete entry.webView;
            }
        }
        m_fmChannels.clear();
    }
    delete m_pRadioBar->layout();
    auto *row = new QHBoxLayout(m_pRadioBar);
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);

    for (int i = 0; i < channels.size(); ++i) {
        FmChannelEntry entry;
        entry.name = channels.at(i).name;
        entry.url = channels.at(i).url;
        auto *button = new QToolButton(m_pRadioBar);
        button->setObjectName(QStringLiteral("top_tbRadioChannel"));
        button->setText(entry.name);
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        m_pFmGroup->addButton(button, i);
        row->addWidget(button);
        entry.button = button;
        auto *view = new MyWebView(nullptr, false);
        view->m_sUrl = entry.url;
        connect(view->m_pWebView, &KvrWebView::linkClicked, this, &MainWindow::dealWithWebLink);
        entry.webView = view;
        m_fmChannels << entry;
    }
    row->addStretch();
    if (!m_fmChannels.isEmpty())
        m_fmChannels.first().button->setChecked(true);
    // The first page added becomes the current one, which loads it; the others wait for their tab.
    for (const FmChannelEntry &entry : std::as_const(m_fmChannels))
        m_pRadioStack->addWidget(entry.webView);
}

void MainWindow::onFmButtonGroupClicked(int i)
{
    m_pRadioStack->setCurrentIndex(i);
}

void MainWindow::setDirPath()
{
    try {
        // The Linux counterparts of the drives to choose from: the user's home, then the data
        // volumes mounted for the user (removable media and the usual mount folders). System
        // mount points such as "/" are never a place for songs, even for root.
        QList<FolderVolume> volumes;
        const QString home = QDir::homePath();
        const QStorageInfo homeVolume(home);
        const QFileInfo homeInfo(home);
        volumes.append({home, homeVolume.isValid() ? homeVolume.bytesAvailable() : -1, homeInfo.isWritable(),
                        homeInfo.ownerId() == ::getuid()});
        static const QStringList dataRoots = {QStringLiteral("/media/"), QStringLiteral("/mnt/"),
                                              QStringLiteral("/run/media/")};
        for (const MountedVolume &mounted : g_mountedVolumes()) {
            const bool dataVolume =
                mounted.usb || std::any_of(dataRoots.begin(), dataRoots.end(), [&](const QString &root) {
                    return mounted.rootPath.startsWith(root);
                });
            if (dataVolume)
                volumes.append({mounted.rootPath, mounted.bytesFree, mounted.writable, mounted.userOwned});
        }
        QString fallback = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (fallback.isEmpty() || !QFileInfo(fallback).isDir())
            fallback = home;
        g_setDirPathDefaults(g_sDataDir + QStringLiteral("/configu.ini"), volumes, fallback);
    } catch (const std::exception &e) {
        g_writeExceptionLog("void __thiscall MainWindow::setDirPath(void)", QString::fromUtf8(e.what()));
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::setDirPath(void)");
    }
}

void MainWindow::loadLrcOffset()
{
    MyIni user(nullptr, g_sDataDir + QStringLiteral("/configu.ini"));
    if (!user.value(QStringLiteral("lrcoffsetb")).isEmpty())
        return;
    // The desktop lyrics start just above the bottom of the desktop.
    const QString offset = QString::number(availableDesktop().height() - 60);
    user.setValue(QStringLiteral("lrcoffset"), offset);
    user.setValue(QStringLiteral("lrcoffsetb"), offset);
}
