#pragma once

#include "playlists/PlaylistPagesSeam.h"
#include "services/seams/LoggingMainWindowSeam.h"
#include "settings/ShutdownState.h"
#include "shell/kvrMainWindowActions.h"

#include <QDateTime>
#include <QHostInfo>
#include <QList>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QAction;
class QActionGroup;
class QButtonGroup;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QStackedWidget;
class QTimer;
class QToolButton;
class HttpObject;
class MyWebView;
class PostLogObject;
class SliderClick;
class UsbDialog;
class UsbSelectForm;
class UserLabel;
class VolumeSliderWgt;
class VolumeWatcher;
class WebAdDlg;
class WgtFavAllSong;
class WgtFavLists;
class WgtFavSinger;
class WgtInstantSearch;
class WgtLocalAllSong;
class WgtLocalDir;
class WgtLocalLists;
class WgtLocalSinger;
class WgtNavigateBar;
class WgtPlaylistAll;
class WgtPlaylistChart;
class WgtPlaylistRecent;
class WgtSkinSet;
class kvrBoxLrc;
class kvrEqWidget;
class kvrLrcBoxWgt;
class kvrSlideProg;
class PlayModeWgt;
class volButton;

// One radio channel: its button in the radio row and its page in the radio stack.
struct FmChannelEntry
{
    QString name;
    QString url;
    QPointer<QToolButton> button;
    QPointer<MyWebView> webView;
    bool bStartedByLink = false; // a page's link started this channel: reload it once the radio stops
};

// The player's one top-level window and the owner of the program's long-lived service objects.
// The constructor opens the audio device, creates and publishes the services, starts the
// background timers, sends the first requests and builds the window in a fixed order; main shows
// it and calls runOnceAfterShow once.
//
// The window is the engine's road to the user (MainWindowSeam) and the shell widgets' road to
// the window (kvrMainWindowActions). Operations whose pages are not built yet keep the logging
// behaviour of LoggingMainWindowSeam.
//
// Its methods are split over files by area: construction (MainWindow.cpp), layout
// (MainWindowLayout.cpp), start-up after show and settings (MainWindowStartup.cpp), reports
// (MainWindowReports.cpp), window messages and drives (MainWindowMessages.cpp), page commands
// (MainWindowCommands.cpp) and the quit path (MainWindowQuit.cpp).
//
// Threads: GUI thread only.
class MainWindow : public QWidget, public LoggingMainWindowSeam, public kvrMainWindowActions
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // false when the audio device could not be opened: the user was told, and the program ends.
    bool audioReady() const { return m_bAudioReady; }

    void runOnceAfterShow();

    // The file named on the command line; played by runOnceAfterShow.
    QString m_sStartFile;

    // The installation serial, the machine address and the presence addresses.
    QString m_sSerial;
    QString m_sMac;
    QString m_sKeyUrl;
    QString m_sMemberName;
    QString m_sIsQQ;
    QString m_sVersion;
    QString m_sFrom;
    QStringList m_slPlayStates;
    HttpObject *m_pHttpObject = nullptr;
    PostLogObject *m_pPostLogObj = nullptr;
    bool m_bNetworkOk = true;

    // Playback control (MainWindowPlayback.cpp).
    bool m_bBusy = false;              // a playback command ran less than 800 ms ago
    bool m_bUrlClickForbidden = false; // a page's link ran less than 600 ms ago
    bool m_bPaused = false;
    bool m_bMuted = false;
    bool m_bSeekAfterFade = false; // a seek waits for the fade-out to end
    int m_nSeekPos = 0;            // per mille of the song
    int m_nSavedVolume = 10000;    // the volume before muting
    int m_nDownloadPermille = 0;   // how much of a streamed song has arrived
    QList<int> m_listVolAsc;
    QList<int> m_listVolDesc;
    int m_nVolAscStep = 0;
    int m_nVolDescStep = 0;

    // Window management.
    bool m_bMiniMode = false;
    bool m_bQuitting = false; // the quit command ran: it saves once, whatever asks again
    // Whether the desktop shows tray icons (QSystemTrayIcon's answer). Without a tray, closing the
    // window quits, or the program would run on out of reach. Tests replace the answer: Xvfb has
    // no tray.
    static std::function<bool()> &trayAvailable();
    QDateTime m_dtStart;

    // Timers of the window (the first four without parent, as the start-up reports expect).
    QTimer *m_pTimerDuanWang = nullptr;
    QTimer *m_pTimerGuanJi = nullptr;
    QTimer *m_pTimerLive = nullptr;
    QTimer *m_pTimerInfo = nullptr;
    QTimer *m_pTimerUpdateTime = nullptr;
    QTimer *m_pTimerSyncFav = nullptr;
    QTimer *m_pTimerVolAsc = nullptr;
    QTimer *m_pTimerVolDesc = nullptr;
    QTimer *m_pTimerUpdatesth = nullptr;
    ShutdownState m_shutdown; // ticks on m_pTimerGuanJi

    // Frame (MainWindowLayout.cpp).
    QFrame *m_pCentralWidget = nullptr;
    QFrame *m_pCentralWidgetMain = nullptr;
    kvrLrcBoxWgt *m_pLrcPage = nullptr;
    QFrame *m_pFrmTitleLrc = nullptr;
    kvrBoxLrc *m_pBoxLrc = nullptr;
    UserLabel *m_pLabelUserImage = nullptr;
    WgtNavigateBar *m_pNavigateBar = nullptr;
    QFrame *m_pLeftWidget = nullptr;
    QButtonGroup *m_pLeftGroup = nullptr;
    QToolButton *m_pTbPlaylist = nullptr;
    QToolButton *m_pTbWeb = nullptr;
    QToolButton *m_pTbRadio = nullptr;
    QToolButton *m_pTbFav = nullptr;
    QToolButton *m_pTbLocal = nullptr;
    QToolButton *m_pBtnSheBei = nullptr;
    QToolButton *m_pTbSuggest = nullptr;
    QLabel *m_pLabelNewSongs = nullptr;
    QLabel *m_pLabelPlaylistBadge = nullptr;
    QLabel *m_pLabelNewDot = nullptr;
    QLabel *m_pLabelNewDevice = nullptr;

    // Content pages and tab bars.
    QStackedWidget *m_pContentStack = nullptr;
    QStackedWidget *m_pTopBarStack = nullptr;
    QStackedWidget *m_pPlaylistStack = nullptr;
    QStackedWidget *m_pWebStack = nullptr;
    QStackedWidget *m_pFavStack = nullptr;
    QStackedWidget *m_pRadioStack = nullptr;
    QStackedWidget *m_pLocalStack = nullptr;
    QStackedWidget *m_pSheBeiStack = nullptr;
    QList<MyWebView *> m_webViews; // the five pages of the web stack, in tab order
    WgtPlaylistAll *m_pPlaylistAll = nullptr;
    WgtPlaylistRecent *m_pPlaylistRecent = nullptr;
    WgtPlaylistChart *m_pPlaylistChart = nullptr;
    PlaylistPagesSeam m_playListPages; // installed while the pages exist
    WgtFavLists *m_pFavLists = nullptr;
    WgtFavSinger *m_pFavSinger = nullptr;
    WgtFavAllSong *m_pFavAllSong = nullptr;
    WgtLocalDir *m_pLocalDir = nullptr;
    WgtLocalLists *m_pLocalLists = nullptr;
    WgtLocalSinger *m_pLocalSinger = nullptr;
    WgtLocalAllSong *m_pLocalAllSong = nullptr;
    UsbSelectForm *m_pUsbSelectForm = nullptr;
    QButtonGroup *m_pWebTabs = nullptr;
    QButtonGroup *m_pFavTabs = nullptr;
    QButtonGroup *m_pLocalTabs = nullptr;
    QButtonGroup *m_pPlaylistTabs = nullptr;
    QButtonGroup *m_pFmGroup = nullptr;
    QWidget *m_pRadioBar = nullptr;
    QLabel *m_pLabelFavSingerCount = nullptr;
    QLabel *m_pLabelFavAllSong = nullptr;
    QLabel *m_pLabelFavListCount = nullptr;
    QLabel *m_pLabelLocalDirCount = nullptr;
    QLabel *m_pLabelLocalAllSong = nullptr;
    QLabel *m_pLabelLocalSingerCount = nullptr;
    QLabel *m_pLabelLocalAlbumCount = nullptr;
    QLineEdit *m_pCountPlaylistAll = nullptr;
    QLineEdit *m_pCountPlaylistRecent = nullptr;
    QLineEdit *m_pCountPlaylistChart = nullptr;
    QToolButton *m_pTbWebBack = nullptr;
    QToolButton *m_pTbWebReload = nullptr;
    QList<FmChannelEntry> m_fmChannels;

    // Title bars, menus and the play panel.
    QHBoxLayout *m_pMainTitleLayout = nullptr; // given to the title bar by the frame builder
    QHBoxLayout *m_pLrcTitleLayout = nullptr;
    QMenu *m_pMainMenu = nullptr;
    QMenu *m_pLrcMenu = nullptr;
    QAction *m_pActLrc = nullptr;
    QAction *m_pActEq = nullptr;
    QAction *m_pActQuit = nullptr;
    QAction *m_pActConfig = nullptr;
    QAction *m_pActMini = nullptr;
    QAction *m_pActTopMost = nullptr;
    QAction *m_pActSkin = nullptr;
    QAction *m_pActLogin = nullptr;
    QAction *m_pActDingShi = nullptr;
    QAction *m_pActAbout = nullptr;
    QAction *m_pActUpdate = nullptr;
    QActionGroup *m_pPlayModeGroup = nullptr;
    QAction *m_pActModeSingle = nullptr;
    QAction *m_pActModeOrder = nullptr;
    QAction *m_pActModeRandom = nullptr;
    QLineEdit *m_pSearchEdit = nullptr;
    QToolButton *m_pSearchBtn = nullptr;
    QLabel *m_pLabelCurUserCount = nullptr;
    QToolButton *m_pBtnLogin = nullptr;
    QToolButton *m_pBtnToggleMiniC = nullptr;
    QWidget *m_pPlayPanel = nullptr;
    QFrame *m_pPlayPanelHolder = nullptr;
    QLabel *m_pTitleLabel = nullptr;
    QLabel *m_pTimerLabel = nullptr;
    QLabel *m_pAlbumPic = nullptr;
    QToolButton *m_pBtnPlay = nullptr;
    QToolButton *m_pBtnPause = nullptr;
    QToolButton *m_pBtnPrev = nullptr;
    QToolButton *m_pBtnNext = nullptr;
    QAbstractButton *m_pBtnLrc = nullptr;
    QAbstractButton *m_ppbcLRCBox = nullptr;
    QToolButton *m_pBtnModeAC = nullptr;
    QToolButton *m_pBtnModeSC = nullptr;
    QToolButton *m_pBtnModeR = nullptr;
    QToolButton *m_pBtnShare = nullptr;
    QToolButton *m_pBtnDown = nullptr;
    QToolButton *m_pBtnLove = nullptr;
    volButton *m_pBtnUnmute = nullptr;
    volButton *m_pBtnMute = nullptr;
    SliderClick *m_pVolumeSlider = nullptr;
    VolumeSliderWgt *m_pVolumeSliderWgt = nullptr;
    PlayModeWgt *m_pPlayModeWgt = nullptr;
    WgtSkinSet *m_pWgtSkin = nullptr; // "mainm_pwgtSkin"
    kvrSlideProg *m_pSliderProg = nullptr;

    // Separate top-level windows (createWgtNotChild).
    QSystemTrayIcon *m_pTrayIcon = nullptr;
    WebAdDlg *m_pWebAdDlg = nullptr;
    kvrEqWidget *m_pEqWidget = nullptr;
    WgtInstantSearch *m_pInstantSearch = nullptr;
    QToolButton *m_pMiniTbLrc = nullptr;
    int m_nAdShowMinutes = 10;
    int m_nAdSleepMinutes = 360;
    bool m_bLrcVisible = true;
    QPointer<UsbDialog> m_pUsbDlg;
    QStringList m_slUsbRoots; // the USB volumes the last drive scan found
    VolumeWatcher *m_pVolumeWatcher = nullptr;

    // Texts the frame shows (also read by tests).
    QString backgroundStyleSheet() const;
    // The window's place and size on a desktop with the given available area.
    static QRect startGeometry(const QRect &available);
    // The primary screen's area without task bars.
    static QRect availableDesktop();
    void updateCountLabels(int nKind, int nCount) override;

    // MainWindowSeam: what the engine asks of the window.
    void showHint(const QString &text) override;
    int execMessageBox(const QString &title, const QString &text, int buttonType) override;
    void execDialog(const QString &title, const QString &text) override;
    void showCriticalMessage(const QString &title, const QString &text) override;
    void setOnlineCount(const QString &text, const QString &toolTip) override;
    void clickNextButton() override;
    void showAlbumPictures(const QImage &pic50, const QImage &pic70) override;
    void showUserPicture(const QImage &picture) override;
    void setRadioChannels(const QList<FmChannelInfo> &channels) override;
    void songPlayStopped(int nReason) override;
    void changeNetplayStatus(int nStatus, const QString &s) override;
    void dealWithPlayStarted() override;
    void resetPlayingInfo() override;
    void DisableSth(bool bAutoEnable) override;
    void stopElapsedTimer() override;
    void changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong) override;
    void hideSliderTimeHint() override;

    // Playback control.
    bool isPaused() const { return m_bPaused; }
    void forbidUrlClick();
    void seekToSliderPos();
    void fadeIn();
    void fadeOut();

    // kvrMainWindowActions.
    void showTheConfig(int page) override;
    void closeLRC() override;

    // Drives (MainWindowMessages.cpp).
    QString getUsbDrives() const override;
    bool takeBusyGuard() override;
    void downloadSong(const QString &filePath, const QString &title, const QString &artist,
                      const QString &album, const QString &size, const QString &duration,
                      const QString &id) override;
    bool isDownloadBusy() override;
    void showDownloadBadges() override;
    // The mount points of the USB volumes, in mount-table order.
    static QStringList usbVolumeRoots();

public slots:
    void login() override;
    void dealWithSecondStart(const QString &text);
    void activateMainWnd();
    void usbChaRuBaChu(int nReason);

    void onTimerInfo();
    void onWaiWangIpReplyFinished();
    void onTimerDuanWang();
    void onLookedUp(const QHostInfo &host);
    void onTimerLive();
    void onTimerGuanJi();

    void loadWebFirstTime(int index);
    void dealwithNavigateInited();
    void navigate2TheUrl(const QString &sUrl);
    void dealWithWebLink(const QUrl &url) override;
    void onFmButtonGroupClicked(int i);

    void showTheWebWgt(int n);
    void showTheFavWgt(int n);
    void showTheLocalWgt(int n);
    void showThePlaylistWgt(int n);
    void programShowTheAlbumWgt();
    void onmSheBeiAnNiuClicked();
    void gotoSuggestUrl();
    void webBack();
    void webReload();
    void webForward();
    void setVolume(int nVolume);
    void setMute();
    void EnableSth();
    void allowUrlClick();
    void updateVolAsc();
    void updateVolDesc();
    void updateTime();
    void showPlayModeBtn(QAction *action);
    void iconActivated(QSystemTrayIcon::ActivationReason reason);

    void toggleLRC(bool bDisplay);
    void toggleLRCBox(bool bDisplay);
    void toggleLrcBoxFullscreen(bool bFull);
    void toggleEq(bool bDisplay);
    void showNormalFromLrc();
    void showMini();
    void minitoMainWnd();
    void setTopMost(bool bTopmost);
    void showConfig();
    void showAbout();
    void manualUpdate();
    void onActDingShiGuanJi();
    void searchThroughNet();
    void searchContentChanged(const QString &text);
    void mainMenuActHovered(QAction *action);
    void mainMenuAbouttoHide();
    void resumeOrPause();
    void playPrevSong();
    void playNextSong();
    void setPlayMode(QAction *action);
    void setPlayModeActionCheckState(int mode);
    void showOnePlayModeBtn(int mode);
    void shareThePlayingSong();
    void downThePlayingSong();
    void saveThePlayingSongtoDefaultGedan();
    void DealWithSliderPosChange(int pos);
    void DealWithSliderPosChanging(int pos);
    void updatesth();
    void addsongtoRecentlists(int nReason);

    void showEq();
    void displayLRC(bool bDisplay);
    void closeBtnHandler();
    void quitting();
    void freeMem();

signals:
    void playStarted();
    void playPaused();
    void playStopped();
    void showDesktopLrc();
    void downThisSong(const QString &id, const QString &name, const QString &album);
    void songPlayStoppedSignal(int nReason);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUILayout();
    void setupLeftNavigation();
    void setupPlayPanel();
    void setupStackPages();
    void setupTitleAndMenu();
    void setupTopBars();
    void createWgtNotChild();
    void setDirPath();
    void loadLrcOffset();
    void setupWebEngine();
    // The web page the back and reload buttons act on, or none while their debounce is armed.
    MyWebView *debouncedWebView();
    void commandNotAvailable(const char *what) const;
    // Play or pause shown in the panel, the mini player and the tray pop-up.
    void showPlayButtons(bool bPlaying);
    // A volume key: the slider moves by nDelta, clamped, and below 1 it is silence.
    void stepVolume(int nDelta);
    // Stops a fade-out of a pause or a seek and gives the sound its volume back.
    void cancelFadeOut();
    // What the quit path keeps: the window's settings (mini player place, lyric switch, volume,
    // equalizer, play mode) and the lists with the library.
    void saveWindowSettings();
    void saveLists();
    // The timed shutdown is due: save what the quit path saves, then ask to power off.
    void shutDownNow();
    // The singer picture cache's id for the playing song's artist, 0 when none.
    uint playingSingerId() const;
    QToolButton *makeTab(QButtonGroup *group, const QString &text, const QString &name, int id);

    bool m_bAudioReady = false;
    bool m_bFreed = false;
    bool m_bMousePressed = false;
    bool m_bDragged = false;
    bool m_bCursorSet = false;
    QPoint m_ptPressGlobal;
    QPoint m_ptWindowAtPress;
    QNetworkAccessManager m_namWaiWang;
};

// The main window, published by its constructor.
extern MainWindow *g_mainWindow;
