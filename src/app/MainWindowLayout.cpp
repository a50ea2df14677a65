// The window's frame: the two central frames, the grid of the normal view, the left
// navigation, the content stacks and their tab bars, the title bars with the main menu, and the
// play panel.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/kvrTrayWgt.h"
#include "device/UsbSelectForm.h"
#include "library/WgtFavAllSong.h"
#include "library/WgtFavLists.h"
#include "library/WgtFavSinger.h"
#include "library/WgtLocalAllSong.h"
#include "library/WgtLocalDir.h"
#include "library/WgtLocalLists.h"
#include "library/WgtLocalSinger.h"
#include "lyrics/kvrBoxLrc.h"
#include "lyrics/kvrLrcBoxWgt.h"
#include "online/MyWebView.h"
#include "online/SkinStyle.h"
#include "online/UserLabel.h"
#include "online/WebViewControls.h"
#include "online/WgtNavigateBar.h"
#include "online/WgtSkinSet.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/pictures/UserpicHandler.h"
#include "services/seams/PlayListSeam.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/PlayModeWgt.h"
#include "shell/SliderClick.h"
#include "shell/VolumeSliderWgt.h"
#include "shell/kvrSlideProg.h"
#include "shell/volButton.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kDefaultBackground = QStringLiteral(":/qss/debug/images/btnimage/else/mainbk-text.png");

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &toolTip = QString(),
                        bool pointingHand = true)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    if (pointingHand)
        button->setCursor(Qt::PointingHandCursor);
    return button;
}

QHBoxLayout *tightRow()
{
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->setContentsMargins(0, 0, 0, 0);
    return row;
}

} // namespace

QString MainWindow::backgroundStyleSheet() const
{
    const QSettings ini(g_sDataDir + QStringLiteral("/configu.ini"), QSettings::IniFormat);
    const QString image = ini.value(SkinKeys::kBkImage, kDefaultBackground).toString();
    if (!image.isEmpty()) {
        if (QFileInfo::exists(image))
            return skinPictureStyleSheet(image);
        // A skin picture that moved away is looked for under the program's own skin folder.
        const QString skin = skinFolder() + QFileInfo(image).fileName();
        return skinPictureStyleSheet(QFileInfo::exists(skin) ? skin : kDefaultBackground);
    }
    const QString colour = ini.value(SkinKeys::kBkColour).toString();
    if (!colour.isEmpty())
        return skinColourStyleSheet(colour);
    return skinPictureStyleSheet(kDefaultBackground);
}

void MainWindow::setupUILayout()
{
    try {
        m_pLabelUserImage = new UserLabel;
        m_pLabelUserImage->setObjectName(QStringLiteral("labelUserImage"));
        m_pLabelUserImage->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (g_pUserpicHandler)
            g_pUserpicHandler->loadDefaultUserPic();

        m_pCentralWidget = new QFrame(this);
        m_pCentralWidget->setObjectName(QStringLiteral("mainCentralWidget"));
        m_pCentralWidgetMain = new QFrame(this);
        m_pCentralWidgetMain->setObjectName(QStringLiteral("mainCentralWidgetMain"));
        setStyleSheet(backgroundStyleSheet());

        auto *grid = new QGridLayout;
        setupPlayPanel();
        setupStackPages();
        setupTitleAndMenu();
        grid->addWidget(m_pLabelUserImage, 0, 0, 2, 1);

        auto *titleBar = new QWidget;
        titleBar->setObjectName(QStringLiteral("mainTitleBar"));
        titleBar->setLayout(m_pMainTitleLayout);
        grid->addWidget(titleBar, 0, 1, 1, 2);
        setupTopBars();
        grid->addWidget(m_pTopBarStack, 1, 1, 1, 2);
        setupLeftNavigation();
        grid->addWidget(m_pLeftWidget, 2, 0, 1, 1);
        grid->addWidget(m_pContentStack, 2, 1, 1, 1);

        m_pNavigateBar = new WgtNavigateBar;
        g_pNavigateBar = m_pNavigateBar;
        grid->addWidget(m_pNavigateBar, 3, 0, 1, 2);
        m_pNavigateBar->hide();
        connect(m_pNavigateBar, &WgtNavigateBar::navigateInited, this, &MainWindow::dealwithNavigateInited);

        grid->addWidget(m_pPlayPanelHolder, 4, 0, 1, 2);
        grid->setSpacing(0);
        grid->setContentsMargins(0, 0, 0, 0);
        m_pCentralWidgetMain->setLayout(grid);
        // The badge lies over the left column's corner; laying out put the column above it.
        m_pLabelPlaylistBadge->raise();

        auto *lrcLayout = new QVBoxLayout;
        m_pFrmTitleLrc = new QFrame;
        m_pFrmTitleLrc->setObjectName(QStringLiteral("frmTitleLrc"));
        m_pFrmTitleLrc->setLayout(m_pLrcTitleLayout);
        lrcLayout->addWidget(m_pFrmTitleLrc);
        m_pBoxLrc = new kvrBoxLrc;
        g_pBoxLrc = m_pBoxLrc;
        connect(m_pBoxLrc, &kvrBoxLrc::doubleClicked, this, &MainWindow::toggleLrcBoxFullscreen);
        lrcLayout->addWidget(m_pBoxLrc, 1);
        lrcLayout->setContentsMargins(0, 0, 0, 0);
        m_pLrcPage = new kvrLrcBoxWgt(this);
        m_pLrcPage->setObjectName(QStringLiteral("mainCentralWidgetLrc"));
        m_pLrcPage->setLayout(lrcLayout);

        auto *own = new QHBoxLayout(this);
        own->setSpacing(0);
        own->setContentsMargins(0, 0, 0, 0);
        own->addWidget(m_pCentralWidget);

        updateCountLabels(5, m_pPlaylistAll->rowCount());
        updateCountLabels(6, m_pPlaylistRecent->rowCount());
        updateCountLabels(7, m_pPlaylistChart->rowCount());
        const QList<QAction *> playModes{m_pActModeSingle, m_pActModeOrder, m_pActModeRandom};
        m_pPlaylistRecent->setPlayModeActions(playModes);
        m_pPlaylistChart->setPlayModeActions(playModes);
        connect(m_pNavigateBar, &WgtNavigateBar::navigate2Url, this, &MainWindow::navigate2TheUrl);
    } catch (const std::exception &e) {
        g_writeExceptionLog("void __thiscall MainWindow::setupUILayout(void)", QString::fromUtf8(e.what()));
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::setupUILayout(void)");
    }
}

void MainWindow::setupLeftNavigation()
{
    m_pLeftWidget = new QFrame;
    m_pLeftWidget->setObjectName(QStringLiteral("left_widget"));
    auto *column = new QVBoxLayout(m_pLeftWidget);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);

    m_pLeftGroup = new QButtonGroup(this);
    m_pLeftGroup->setExclusive(true);
    const auto leftButton = [this, column](const QString &name, int id) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        m_pLeftGroup->addButton(button, id);
        column->addWidget(button, 0, Qt::AlignHCenter);
        return button;
    };
    m_pTbPlaylist = leftButton(QStringLiteral("left_tbPlaylist"), 0);
    m_pTbWeb = leftButton(QStringLiteral("left_tbWeb"), 1);
    m_pTbRadio = leftButton(QStringLiteral("left_tbRadio"), 3);
    m_pTbFav = leftButton(QStringLiteral("left_tbFav"), 2);
    m_pTbLocal = leftButton(QStringLiteral("left_tbLocal"), 4);
    m_pBtnSheBei = leftButton(QStringLiteral("LeftBtnWoDeSheBei"), 5);
    m_pBtnSheBei->hide();
    m_pTbPlaylist->setToolTip(tr("播放列表"));
    m_pTbWeb->setToolTip(tr("乐库"));
    m_pTbRadio->setToolTip(tr("电台"));
    m_pTbFav->setToolTip(tr("收藏"));
    m_pTbLocal->setToolTip(tr("本地音乐"));
    m_pBtnSheBei->setToolTip(tr("我的设备"));
    m_pTbWeb->setChecked(true);
    column->addStretch();
    m_pTbSuggest = new QToolButton(this);
    m_pTbSuggest->setObjectName(QStringLiteral("left_tbSuggest"));
    m_pTbSuggest->setCursor(Qt::PointingHandCursor);
    m_pTbSuggest->setToolTip(tr("意见反馈"));
    column->addWidget(m_pTbSuggest, 0, Qt::AlignHCenter);
    column->addSpacing(6);

    m_pLabelNewSongs = new QLabel(this);
    m_pLabelNewSongs->setPixmap(QPixmap(QStringLiteral(":/qss/debug/images/btnimage/tp/List_New.png")));
    m_pLabelNewSongs->setGeometry(53, 357, 11, 11);
    m_pLabelNewSongs->hide();

    m_pLabelPlaylistBadge = new QLabel(m_pCentralWidgetMain);
    m_pLabelPlaylistBadge->setObjectName(QStringLiteral("mainm_labelPlaylistBadge"));
    QFont badgeFont = QApplication::font();
    badgeFont.setPixelSize(9);
    m_pLabelPlaylistBadge->setFont(badgeFont);
    m_pLabelPlaylistBadge->setAlignment(Qt::AlignCenter);
    m_pLabelPlaylistBadge->setGeometry(53, 76, 11, 11);
    m_pLabelPlaylistBadge->show();

    if (QToolButton *downloads = m_pLocalLists ? m_pLocalLists->downloadsTabButton() : nullptr) {
        m_pLabelNewDot = new QLabel(downloads);
        m_pLabelNewDot->setPixmap(QPixmap(QStringLiteral(":/qss/debug/images/btnimage/tp/newDot.png")));
        m_pLabelNewDot->setGeometry(102, 5, 9, 9);
        m_pLabelNewDot->hide();
    }

    m_pLabelNewDevice = new QLabel(this);
    m_pLabelNewDevice->setPixmap(QPixmap(QStringLiteral(":/rs/rs/xinshebei.png")));
    m_pLabelNewDevice->setGeometry(49, 439, 7, 7);
    m_pLabelNewDevice->hide();

    connect(m_pBtnSheBei, &QToolButton::clicked, this, &MainWindow::onmSheBeiAnNiuClicked);
    connect(m_pTbLocal, &QToolButton::clicked, m_pLabelNewSongs, &QWidget::hide);
    connect(m_pTbLocal, &QToolButton::clicked, this, &MainWindow::programShowTheAlbumWgt);
    connect(m_pLeftGroup, &QButtonGroup::idClicked, m_pTopBarStack, &QStackedWidget::setCurrentIndex);
    connect(m_pLeftGroup, &QButtonGroup::idClicked, m_pContentStack, &QStackedWidget::setCurrentIndex);
    connect(m_pTbSuggest, &QToolButton::clicked, this, &MainWindow::gotoSuggestUrl);
}

void MainWindow::setupPlayPanel()
{
    m_pTimerLabel = new QLabel(tr("00:00"), this);
    m_pTimerLabel->setObjectName(QStringLiteral("playwgtTimerLabel"));
    m_pTimerLabel->setToolTip(tr("已播放时间"));
    m_pBtnPlay = makeButton(this, QStringLiteral("btnplay"), tr("播放(快捷键：空格)"));
    m_pBtnPause = makeButton(this, QStringLiteral("btnpause"), tr("暂停(快捷键：空格)"));
    m_pBtnPause->hide();

    m_pBtnUnmute = new volButton(this);
    m_pBtnUnmute->setObjectName(QStringLiteral("btnunmute"));
    m_pBtnUnmute->setToolTip(tr("调整声音大小(Ctrl ↑↓)"));
    m_pBtnUnmute->setCursor(Qt::PointingHandCursor);
    m_pBtnMute = new volButton(this);
    m_pBtnMute->setObjectName(QStringLiteral("btnmute"));
    m_pBtnMute->setCursor(Qt::PointingHandCursor);
    m_pBtnMute->hide();
    g_pUIRelated->m_pBtnUnmute = m_pBtnUnmute;
    g_pUIRelated->m_pBtnMute = m_pBtnMute;

    // The slider has no parent: the pop-up below carries it.
    m_pVolumeSlider = new SliderClick;
    m_pVolumeSlider->setObjectName(QStringLiteral("volumeslider"));
    m_pVolumeSlider->setOrientation(Qt::Vertical);
    m_pVolumeSlider->setRange(0, 10000);
    m_pVolumeSlider->setSingleStep(100);
    m_pVolumeSlider->setPageStep(500);
    m_pVolumeSliderWgt = new VolumeSliderWgt(this, m_pVolumeSlider);
    m_pVolumeSliderWgt->setObjectName(QStringLiteral("mainm_pVolumeSliderWgt"));

    m_pBtnPrev = makeButton(this, QStringLiteral("btnPrev"), tr("上一曲(Ctrl ←)"));
    m_pBtnPrev->setShortcut(QKeySequence(tr("Ctrl+Left")));
    m_pBtnNext = makeButton(this, QStringLiteral("btnNext"), tr("下一曲(Ctrl →)"));
    m_pBtnNext->setShortcut(QKeySequence(tr("Ctrl+Right")));

    auto *btnLrc = new QPushButton(this);
    btnLrc->setObjectName(QStringLiteral("btncLRC"));
    btnLrc->setToolTip(tr("打开或关闭桌面歌词(Ctrl D)"));
    btnLrc->setShortcut(QKeySequence(tr("Ctrl+D")));
    btnLrc->setFocusPolicy(Qt::NoFocus);
    btnLrc->setCheckable(true);
    btnLrc->setCursor(Qt::PointingHandCursor);
    m_pBtnLrc = btnLrc;
    auto *btnLrcBox = new QPushButton(this);
    btnLrcBox->setObjectName(QStringLiteral("m_ppbcLRCBox"));
    btnLrcBox->setToolTip(tr("打开或关闭写真模式(Ctrl C)"));
    btnLrcBox->setShortcut(QKeySequence(tr("Ctrl+C")));
    btnLrcBox->setFocusPolicy(Qt::NoFocus);
    btnLrcBox->setCheckable(true);
    btnLrcBox->setCursor(Qt::PointingHandCursor);
    m_ppbcLRCBox = btnLrcBox;

    m_pTitleLabel = new QLabel(tr("欢迎使用澜韵音乐"));
    m_pTitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    m_pBtnModeAC = makeButton(this, QStringLiteral("btnModeAC"), tr("循环播放所有歌曲"));
    m_pBtnModeSC = makeButton(this, QStringLiteral("btnModeSC"), tr("循环播放这首歌曲"));
    m_pBtnModeR = makeButton(this, QStringLiteral("btnModeR"), tr("随机播放所有歌曲"));
    m_pBtnModeAC->hide();
    m_pBtnModeSC->hide();
    m_pBtnShare = makeButton(this, QStringLiteral("playmainm_btnShare"), tr("分享..."), false);
    m_pBtnDown = makeButton(this, QStringLiteral("playmainm_btnDown"), tr("下载"), false);
    m_pBtnLove = makeButton(this, QStringLiteral("playmainm_btnLove"), tr("喜欢"), false);
    m_pBtnLove->setCheckable(true);
    m_pSliderProg = new kvrSlideProg(this);
    m_pSliderProg->setObjectName(QStringLiteral("SliderProgBar"));
    m_pSliderProg->setRange(0, 1000);
    m_pSliderProg->setValue(0);

    m_pAlbumPic = new QLabel;
    m_pAlbumPic->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_pAlbumPic->setMinimumSize(50, 50);
    m_pAlbumPic->setMaximumSize(50, 50);
    g_pUIRelated->m_pLabelAlbumPic = m_pAlbumPic;

    m_pPlayPanelHolder = new QFrame;
    m_pPlayPanelHolder->setMinimumHeight(68);
    m_pPlayPanelHolder->resize(60, 68);
    m_pPlayPanel = new QWidget(this);
    m_pPlayPanel->setObjectName(QStringLiteral("playpanel"));
    m_pPlayModeWgt = new PlayModeWgt(this);
    m_pPlayModeWgt->setObjectName(QStringLiteral("mainm_pPlayModeWidget"));
    if (g_pTrayWgt)
        g_pTrayWgt->setTitle(tr("欢迎使用澜韵音乐"));

    // Space clicks whichever of play and pause is shown: a hidden button's shortcut is inactive.
    for (QToolButton *button : {m_pBtnPlay, m_pBtnPause}) {
        auto *space = new QShortcut(QKeySequence(Qt::Key_Space), button);
        space->setContext(Qt::WindowShortcut);
        connect(space, &QShortcut::activated, button, [button] { emit button->clicked(); });
    }

    m_pPlayModeGroup = new QActionGroup(this);
    const auto modeAction = [this](const QString &text) {
        auto *action = new QAction(text, this);
        action->setCheckable(true);
        m_pPlayModeGroup->addAction(action);
        return action;
    };
    m_pActModeSingle = modeAction(tr("单曲循环"));
    m_pActModeOrder = modeAction(tr("顺序播放"));
    m_pActModeRandom = modeAction(tr("随机播放"));

    auto *titleRow = tightRow();
    titleRow->addSpacing(6);
    titleRow->addWidget(m_pTitleLabel, 0, Qt::AlignBottom);
    titleRow->addStretch();
    titleRow->addWidget(m_pBtnLove, 0, Qt::AlignBottom);
    titleRow->addSpacing(9);
    titleRow->addWidget(m_pBtnDown, 0, Qt::AlignBottom);
    titleRow->addSpacing(9);
    titleRow->addWidget(m_pBtnShare, 0, Qt::AlignBottom);
    titleRow->addSpacing(59);
    auto *progressRow = tightRow();
    progressRow->addWidget(m_pSliderProg, 0, Qt::AlignVCenter);
    progressRow->addWidget(m_pTimerLabel, 0, Qt::AlignVCenter);
    auto *middle = new QVBoxLayout;
    middle->setSpacing(0);
    middle->setContentsMargins(0, 0, 0, 0);
    middle->addLayout(titleRow);
    middle->addLayout(progressRow);
    auto *panelRow = tightRow();
    panelRow->addSpacing(67);
    panelRow->addWidget(m_pBtnPrev, 0, Qt::AlignVCenter);
    panelRow->addSpacing(9);
    panelRow->addWidget(m_pBtnPlay, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_pBtnPause, 0, Qt::AlignVCenter);
    panelRow->addSpacing(9);
    panelRow->addWidget(m_pBtnNext, 0, Qt::AlignVCenter);
    panelRow->addStretch();
    panelRow->addWidget(m_pAlbumPic);
    panelRow->addLayout(middle);
    panelRow->addSpacing(32);
    panelRow->addWidget(m_pBtnUnmute, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_pBtnMute, 0, Qt::AlignVCenter);
    panelRow->addSpacing(9);
    panelRow->addWidget(m_ppbcLRCBox);
    panelRow->addSpacing(9);
    panelRow->addWidget(m_pBtnLrc);
    panelRow->addSpacing(9);
    panelRow->addWidget(m_pBtnModeAC, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_pBtnModeSC, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_pBtnModeR, 0, Qt::AlignVCenter);
    panelRow->addSpacing(15);
    m_pPlayPanel->setLayout(panelRow);

    connect(m_pVolumeSlider, &SliderClick::valueChanged, this, &MainWindow::setVolume);
    connect(m_pBtnUnmute, &volButton::clicked, m_pVolumeSliderWgt, &VolumeSliderWgt::showVolumeSliderWgt);
    connect(m_pBtnMute, &volButton::clicked, m_pVolumeSliderWgt, &VolumeSliderWgt::showVolumeSliderWgt);
    connect(m_pVolumeSlider, &SliderClick::focusOut, m_pVolumeSliderWgt,
            &VolumeSliderWgt::hideVolumeSliderWgt);
    connect(m_pBtnLrc, &QAbstractButton::toggled, this, &MainWindow::toggleLRC);
    connect(m_ppbcLRCBox, &QAbstractButton::toggled, this, &MainWindow::toggleLRCBox);
    connect(m_pBtnPlay, &QToolButton::clicked, this, &MainWindow::resumeOrPause);
    connect(m_pBtnPause, &QToolButton::clicked, this, &MainWindow::resumeOrPause);
    connect(m_pBtnPrev, &QToolButton::clicked, this, &MainWindow::playPrevSong);
    connect(m_pBtnNext, &QToolButton::clicked, this, &MainWindow::playNextSong);
    connect(m_pPlayModeGroup, &QActionGroup::triggered, this, &MainWindow::setPlayMode);
    connect(m_pBtnShare, &QToolButton::clicked, this, &MainWindow::shareThePlayingSong);
    connect(m_pBtnDown, &QToolButton::clicked, this, &MainWindow::downThePlayingSong);
    connect(m_pBtnLove, &QToolButton::clicked, this, &MainWindow::saveThePlayingSongtoDefaultGedan);
    connect(m_pSliderProg, &kvrSlideProg::curSliderPosChanged, this, &MainWindow::DealWithSliderPosChange);
    connect(m_pSliderProg, &kvrSlideProg::curSliderPosChanging, this, &MainWindow::DealWithSliderPosChanging);
    connect(m_pPlayModeWgt, &PlayModeWgt::playmodeChanged, this, &MainWindow::setPlayModeActionCheckState);
    connect(m_pPlayModeWgt, &PlayModeWgt::playmodeChanged, this, &MainWindow::showOnePlayModeBtn);
    for (QToolButton *mode : {m_pBtnModeAC, m_pBtnModeSC, m_pBtnModeR})
        connect(mode, &QToolButton::clicked, m_pPlayModeWgt, &PlayModeWgt::showPlayModeWgt);
}

void MainWindow::setupWebEngine()
{
    g_sWebCacheDir = g_sDataDir + QStringLiteral("/cache/");
    // Without the folder the pages still load, only without a disk cache.
    QDir().mkpath(g_sWebCacheDir);
    g_setupWebEngineProfile(g_sWebCacheDir);
}

void MainWindow::setupStackPages()
{
    m_pContentStack = new QStackedWidget(this);

    m_pPlaylistStack = new QStackedWidget;
    m_pPlaylistStack->setObjectName(QStringLiteral("mainm_swPlaylist"));
    m_pPlaylistAll = new WgtPlaylistAll;
    m_pPlaylistAll->setObjectName(QStringLiteral("maing_wPlayList"));
    g_pWgtPlaylistAll = m_pPlaylistAll;
    m_pPlaylistRecent = new WgtPlaylistRecent;
    m_pPlaylistRecent->setObjectName(QStringLiteral("mainm_wPlaylistRecent"));
    m_pPlaylistChart = new WgtPlaylistChart;
    m_pPlaylistChart->setObjectName(QStringLiteral("mainm_wPlaylistChart"));
    m_pPlaylistStack->addWidget(m_pPlaylistAll);
    m_pPlaylistStack->addWidget(m_pPlaylistRecent);
    m_pPlaylistStack->addWidget(m_pPlaylistChart);
    // The engine asks the pages for the next song from here on.
    g_setPlayListSeam(&m_playListPages);

    setupWebEngine();
    auto *webFrame = new QWidget;
    webFrame->setObjectName(QStringLiteral("mainm_wWeb"));
    auto *webRow = new QHBoxLayout(webFrame);
    webRow->setSpacing(0);
    webRow->setContentsMargins(0, 0, 0, 0);
    m_pWebStack = new QStackedWidget(this);
    m_pWebStack->setObjectName(QStringLiteral("webm_swWebView"));
    const ServiceEndpoints &endpoints = g_endpoints();
    const QList<std::pair<QString, QString>> pages = {
        {QStringLiteral("webm_wWebViewHome"), endpoints.homePage},
        {QStringLiteral("webm_wWebViewCharts"), endpoints.chartPage},
        {QStringLiteral("webm_wWebViewHaoge"), endpoints.singerPage},
        {QStringLiteral("webm_wWebViewFenlei"), endpoints.categoryPage},
        {QStringLiteral("webm_wWebViewSearch"), endpoints.topicPage},
    };
    for (const auto &[name, address] : pages) {
        auto *view = new MyWebView(nullptr, false);
        view->setObjectName(name);
        view->m_sUrl = address;
        m_pWebStack->addWidget(view);
        m_webViews << view;
    }
    webRow->addWidget(m_pWebStack);

    m_pFavStack = new QStackedWidget;
    m_pFavStack->setObjectName(QStringLiteral("mainm_swFav"));
    m_pFavLists = new WgtFavLists;
    m_pFavLists->setObjectName(QStringLiteral("mainm_wFavLists"));
    m_pFavSinger = new WgtFavSinger;
    m_pFavSinger->setObjectName(QStringLiteral("mainm_wFavSinger"));
    m_pFavAllSong = new WgtFavAllSong;
    m_pFavAllSong->setObjectName(QStringLiteral("mainm_wFavAllSong"));
    m_pFavStack->addWidget(m_pFavLists);
    m_pFavStack->addWidget(m_pFavSinger);
    m_pFavStack->addWidget(m_pFavAllSong);

    m_pRadioStack = new QStackedWidget;
    m_pRadioStack->setObjectName(QStringLiteral("webradiom_swWebViewRadio"));

    m_pLocalStack = new QStackedWidget;
    m_pLocalStack->setObjectName(QStringLiteral("mainm_swLocal"));
    m_pLocalDir = new WgtLocalDir;
    m_pLocalDir->setObjectName(QStringLiteral("mainm_wLocalSinger"));
    m_pLocalLists = new WgtLocalLists;
    m_pLocalLists->setObjectName(QStringLiteral("mainm_wLocalLists"));
    m_pLocalSinger = new WgtLocalSinger;
    m_pLocalSinger->setObjectName(QStringLiteral("mainm_wLocalSinger"));
    m_pLocalAllSong = new WgtLocalAllSong;
    m_pLocalAllSong->setObjectName(QStringLiteral("mainm_wLocalAllSong"));
    m_pLocalStack->addWidget(m_pLocalDir);
    m_pLocalStack->addWidget(m_pLocalLists);
    m_pLocalStack->addWidget(m_pLocalSinger);
    m_pLocalStack->addWidget(m_pLocalAllSong);

    m_pSheBeiStack = new QStackedWidget;
    m_pUsbSelectForm = new UsbSelectForm(this);
    m_pSheBeiStack->addWidget(m_pUsbSelectForm);

    m_pContentStack->addWidget(m_pPlaylistStack);
    m_pContentStack->addWidget(webFrame);
    m_pContentStack->addWidget(m_pFavStack);
    m_pContentStack->addWidget(m_pRadioStack);
    m_pContentStack->addWidget(m_pLocalStack);
    m_pContentStack->addWidget(m_pSheBeiStack);
    m_pContentStack->setCurrentIndex(1);

    if (g_phttpHandler) {
        connect(g_phttpHandler, &httpRequestHandler::favResponseSuccessed, m_pFavLists,
                &WgtFavLists::dealwithFavOp);
        connect(g_phttpHandler, &httpRequestHandler::favResponseFailed, m_pFavLists,
                &WgtFavLists::dealwithFavOpErr);
    }
}

QToolButton *MainWindow::makeTab(QButtonGroup *group, const QString &text, const QString &name, int id)
{
    auto *tab = new QToolButton;
    tab->setText(text);
    tab->setObjectName(name);
    tab->setCheckable(true);
    tab->setCursor(Qt::PointingHandCursor);
    group->addButton(tab, id);
    return tab;
}

void MainWindow::setupTopBars()
{
    m_pTopBarStack = new QStackedWidget(this);
    m_pTopBarStack->setObjectName(QStringLiteral("top_swTopBars"));

    const auto countLabel = [](const QString &name, bool hidden) {
        auto *label = new QLabel;
        label->setObjectName(name);
        label->setVisible(!hidden);
        return label;
    };
    const auto countField = [](const QString &name, bool hidden) {
        auto *field = new QLineEdit;
        field->setObjectName(name);
        field->setReadOnly(true);
        field->setStyleSheet(QStringLiteral("border: 0px;background-color:transparent;"));
        field->setContextMenuPolicy(Qt::NoContextMenu);
        field->setVisible(!hidden);
        return field;
    };

    // Play lists.
    auto *playlistBar = new QWidget;
    playlistBar->setObjectName(QStringLiteral("top_wTopBtnsPlaylist"));
    auto *playlistRow = tightRow();
    m_pCountPlaylistAll = countField(QStringLiteral("topm_pLabelPlaylistAll"), false);
    m_pCountPlaylistRecent = countField(QStringLiteral("topm_pLabelPlaylistRecent"), true);
    m_pCountPlaylistChart = countField(QStringLiteral("topm_pLabelPlaylistChart"), true);
    playlistRow->addWidget(m_pCountPlaylistAll);
    playlistRow->addWidget(m_pCountPlaylistRecent);
    playlistRow->addWidget(m_pCountPlaylistChart);
    playlistRow->addSpacing(2);
    m_pPlaylistTabs = new QButtonGroup(this);
    playlistRow->addWidget(makeTab(m_pPlaylistTabs, tr("全部歌曲"), QStringLiteral("topm_tbPlaylistAll"), 0));
    playlistRow->addWidget(
        makeTab(m_pPlaylistTabs, tr("我听过的"), QStringLiteral("topm_tbPlaylistRecent"), 1));
    playlistRow->addWidget(
        makeTab(m_pPlaylistTabs, tr("我最常听"), QStringLiteral("topm_tbPlaylistChart"), 2));
    playlistRow->addStretch();
    playlistBar->setLayout(playlistRow);
    m_pPlaylistTabs->button(0)->setChecked(true);
    connect(m_pPlaylistTabs, &QButtonGroup::idClicked, this, &MainWindow::showThePlaylistWgt);
    connect(m_pCountPlaylistAll, &QLineEdit::textChanged, m_pPlaylistAll, &WgtPlaylistAll::onGeQuSHu);
    connect(m_pCountPlaylistRecent, &QLineEdit::textChanged, m_pPlaylistRecent,
            &WgtPlaylistRecent::onGeQuSHu);
    connect(m_pCountPlaylistChart, &QLineEdit::textChanged, m_pPlaylistChart, &WgtPlaylistChart::onGeQuSHu);

    // Web pages.
    auto *webBar = new QWidget;
    webBar->setObjectName(QStringLiteral("topm_wTopBtnsWeb"));
    auto *webRow = new QHBoxLayout(webBar);
    webRow->setSpacing(0);
    webRow->addWidget(countLabel(QStringLiteral("topm_labelPlaylistSongCount"), true));
    webRow->addSpacing(234);
    m_pWebTabs = new QButtonGroup(this);
    webRow->addWidget(makeTab(m_pWebTabs, tr("首页"), QStringLiteral("topm_tbWebHome"), 0));
    webRow->addWidget(makeTab(m_pWebTabs, tr("排行榜"), QStringLiteral("topm_tbWebCharts"), 1));
    webRow->addWidget(makeTab(m_pWebTabs, tr("歌手"), QStringLiteral("top_tbWebHaoge"), 2));
    webRow->addWidget(makeTab(m_pWebTabs, tr("曲风"), QStringLiteral("top_tbWebFenlei"), 3));
    webRow->addWidget(makeTab(m_pWebTabs, tr("专题"), QStringLiteral("top_tbWebSearch"), 4));
    webRow->addStretch();
    m_pWebTabs->button(0)->setChecked(true);
    connect(m_pWebTabs, &QButtonGroup::idClicked, this, &MainWindow::showTheWebWgt);

    // Favourites.
    auto *favBar = new QWidget;
    favBar->setObjectName(QStringLiteral("topm_wTopBtnsFav"));
    auto *favRow = new QHBoxLayout(favBar);
    favRow->setSpacing(0);
    m_pLabelFavSingerCount = countLabel(QStringLiteral("topm_labelFavSingerCount"), true);
    m_pLabelFavAllSong = countLabel(QStringLiteral("topm_pLabelAllSong"), true);
    m_pLabelFavListCount = countLabel(QStringLiteral("topm_labelFavListCount"), false);
    favRow->addWidget(m_pLabelFavSingerCount);
    favRow->addWidget(m_pLabelFavAllSong);
    favRow->addWidget(m_pLabelFavListCount);
    favRow->addSpacing(2);
    m_pFavTabs = new QButtonGroup(this);
    favRow->addWidget(makeTab(m_pFavTabs, tr("歌单"), QStringLiteral("topm_tbFavLists"), 0));
    favRow->addWidget(makeTab(m_pFavTabs, tr("收藏的歌手"), QStringLiteral("topm_tbFavSinger"), 1));
    favRow->addWidget(makeTab(m_pFavTabs, tr("全部歌曲"), QStringLiteral("topm_tbFavAllsong"), 2));
    favRow->addStretch();
    m_pFavTabs->button(0)->setChecked(true);
    connect(m_pFavTabs, &QButtonGroup::idClicked, this, &MainWindow::showTheFavWgt);

    // Radio: the channel buttons arrive with the channel list.
    m_pRadioBar = new QWidget;
    m_pRadioBar->setObjectName(QStringLiteral("top_wTopBtnsRadio"));
    m_pFmGroup = new QButtonGroup(this);
    connect(m_pFmGroup, &QButtonGroup::idClicked, this, &MainWindow::onFmButtonGroupClicked);

    // Local music.
    auto *localBar = new QWidget;
    localBar->setObjectName(QStringLiteral("topm_wTopBtnsLocal"));
    auto *localRow = tightRow();
    m_pLabelLocalDirCount = countLabel(QStringLiteral("topm_pLabelAllSong"), false);
    m_pLabelLocalAllSong = countLabel(QStringLiteral("topm_pLabelAllSong"), true);
    m_pLabelLocalSingerCount = countLabel(QStringLiteral("topm_labelLocalSingerCount"), true);
    m_pLabelLocalAlbumCount = countLabel(QStringLiteral("topm_labelLocalAlbumCount"), true);
    localRow->addWidget(m_pLabelLocalDirCount);
    localRow->addWidget(m_pLabelLocalAllSong);
    localRow->addWidget(m_pLabelLocalSingerCount);
    localRow->addWidget(m_pLabelLocalAlbumCount);
    localRow->addSpacing(2);
    m_pLocalTabs = new QButtonGroup(this);
    localRow->addWidget(makeTab(m_pLocalTabs, tr("目录"), QStringLiteral("topm_tbLocalAlbum"), 0));
    localRow->addWidget(makeTab(m_pLocalTabs, tr("专辑"), QStringLiteral("topm_tbLocalAlbum"), 1));
    localRow->addWidget(makeTab(m_pLocalTabs, tr("歌手"), QStringLiteral("topm_tbLocalSinger"), 2));
    localRow->addWidget(makeTab(m_pLocalTabs, tr("全部歌曲"), QStringLiteral("topm_tbLocalAllsong"), 3));
    localRow->addStretch();
    localBar->setLayout(localRow);
    m_pLocalTabs->button(0)->setChecked(true);
    connect(m_pLocalTabs, &QButtonGroup::idClicked, this, &MainWindow::showTheLocalWgt);

    auto *sheBeiBar = new QWidget;
    sheBeiBar->setObjectName(QStringLiteral("mSheBeiBeiJingTiao"));

    m_pTopBarStack->addWidget(playlistBar);
    m_pTopBarStack->addWidget(webBar);
    m_pTopBarStack->addWidget(favBar);
    m_pTopBarStack->addWidget(m_pRadioBar);
    m_pTopBarStack->addWidget(localBar);
    m_pTopBarStack->addWidget(sheBeiBar);
    m_pTopBarStack->setCurrentIndex(1);

    m_pTbWebBack = new QToolButton(this);
    m_pTbWebBack->setObjectName(QStringLiteral("topm_tbWebBack"));
    m_pTbWebBack->setEnabled(false);
    m_pTbWebBack->hide();
    m_pTbWebReload = new QToolButton(this);
    m_pTbWebReload->setObjectName(QStringLiteral("topm_tbWebReload"));
    m_pTbWebReload->setEnabled(false);
    m_pTbWebReload->hide();
    WebViewControls::setBackButton(m_pTbWebBack);
    connect(m_pTbWebBack, &QToolButton::clicked, this, &MainWindow::webBack);
    connect(m_pTbWebReload, &QToolButton::clicked, this, &MainWindow::webReload);
}

void MainWindow::setupTitleAndMenu()
{
    m_pActLrc = new QAction(tr("显示桌面歌词"), this);
    m_pActLrc->setCheckable(true);
    connect(m_pActLrc, &QAction::toggled, this, &MainWindow::toggleLRC);
    m_pActEq = new QAction(tr("显示均衡器"), this);
    m_pActEq->setCheckable(true);
    connect(m_pActEq, &QAction::toggled, this, &MainWindow::toggleEq);
    g_pUIRelated->m_pActEq = m_pActEq;

    m_pActQuit =
        new QAction(QIcon(QStringLiteral(":/qss/debug/images/btnimage/mu/icon_quit1.png")), tr("退出"), this);
    connect(m_pActQuit, &QAction::triggered, this, &MainWindow::quitting);
    m_pActConfig = new QAction(QIcon(QStringLiteral(":/qss/debug/images/btnimage/mu/icon_set1.png")),
                               tr("设置中心"), this);
    connect(m_pActConfig, &QAction::triggered, this, &MainWindow::showConfig);

    m_pMainMenu = new QMenu(this);
    m_pMainMenu->setObjectName(QStringLiteral("mainMenu"));
    m_pActMini = new QAction(tr("迷你模式"), this);
    m_pActTopMost = new QAction(tr("总在最前"), this);
    m_pActTopMost->setCheckable(true);
    m_pActSkin = new QAction(tr("换肤"), this);
    m_pActLogin = new QAction(QIcon(QStringLiteral(":/qss/debug/images/btnimage/mu/icon_people1.png")),
                              tr("登录"), this);
    m_pMainMenu->addAction(m_pActLogin);
    m_pMainMenu->addSeparator();
    QMenu *addMenu = m_pMainMenu->addMenu(tr("添加歌曲"));
    addMenu->setEnabled(false); // the queue's add actions come with the queue
    QMenu *modeMenu = m_pMainMenu->addMenu(tr("循环模式"));
    modeMenu->addActions(m_pPlayModeGroup->actions());
    m_pMainMenu->addSeparator();
    m_pMainMenu->addAction(m_pActSkin);
    m_pMainMenu->addAction(m_pActMini);
    m_pMainMenu->addAction(m_pActTopMost);
    m_pMainMenu->addAction(m_pActLrc);
    m_pMainMenu->addSeparator();
    connect(m_pActLogin, &QAction::triggered, this, &MainWindow::login);
    m_pWgtSkin = new WgtSkinSet(this);
    m_pWgtSkin->setObjectName(QStringLiteral("mainm_pwgtSkin"));
    connect(m_pActSkin, &QAction::triggered, m_pWgtSkin, &WgtSkinSet::showWgt);
    connect(m_pActMini, &QAction::triggered, this, &MainWindow::showMini);
    connect(m_pActTopMost, &QAction::triggered, this, &MainWindow::setTopMost);
    m_pMainMenu->addAction(m_pActConfig);
    m_pMainMenu->addSeparator();
    m_pActDingShi = new QAction(QIcon(QStringLiteral(":/rs/dingSHi_1.png")), tr("定时关机"), this);
    m_pActAbout = new QAction(tr("关于..."), this);
    m_pActUpdate = new QAction(tr("在线升级"), this);
    m_pMainMenu->addAction(m_pActDingShi);
    m_pMainMenu->addAction(m_pActAbout);
    m_pMainMenu->addAction(m_pActUpdate);
    m_pMainMenu->addAction(m_pActQuit);
    connect(m_pActDingShi, &QAction::triggered, this, &MainWindow::onActDingShiGuanJi);
    connect(m_pActAbout, &QAction::triggered, this, &MainWindow::showAbout);
    connect(m_pActUpdate, &QAction::triggered, this, &MainWindow::manualUpdate);
    connect(m_pMainMenu, &QMenu::hovered, this, &MainWindow::mainMenuActHovered);
    connect(m_pMainMenu, &QMenu::aboutToHide, this, &MainWindow::mainMenuAbouttoHide);

    m_pBtnLogin = makeButton(this, QStringLiteral("btnLogin"), tr("登录请单击这里"));
    m_pBtnLogin->setText(tr("澜韵音乐｜登录"));
    auto *countPicture = new QLabel;
    countPicture->setPixmap(QPixmap(QStringLiteral(":/qss/debug/images/btnimage/tp/tingCount.png")));
    m_pLabelCurUserCount = new QLabel(tr("500000人"));
    m_pLabelCurUserCount->setObjectName(QStringLiteral("g_labelCurUserCount"));
    m_pLabelCurUserCount->setToolTip(
        tr("<p style='border: 1px solid green; border-radius: 2px;white-space:pre'>当前<span "
           "style='color:green;'>20000000</span>人与您一起听澜韵音乐</p>"));
    m_pSearchEdit = new QLineEdit;
    m_pSearchEdit->setObjectName(QStringLiteral("RightSearchEdt"));
    m_pSearchEdit->setStyleSheet(QStringLiteral("color:rgb(193,193,193)"));
    m_pSearchEdit->setText(tr("搜索歌手、歌曲"));
    m_pSearchBtn = makeButton(m_pSearchEdit, QStringLiteral("RightSearchBtn"));
    m_pSearchBtn->move(170, 4);
    WebViewControls::setSearchControls(m_pSearchEdit, m_pSearchBtn);
    auto *btnSkin = makeButton(this, QStringLiteral("btnSkin"), tr("皮肤"), false);
    auto *btnMain = makeButton(this, QStringLiteral("btnMain"), tr("主菜单"), false);
    btnMain->setMenu(m_pMainMenu);
    btnMain->setPopupMode(QToolButton::InstantPopup);
    auto *btnMin = new QPushButton(this);
    btnMin->setObjectName(QStringLiteral("btnmin"));
    btnMin->setToolTip(tr("最小化"));
    auto *btnMini = makeButton(this, QStringLiteral("btnToggleMini"), tr("切换到迷你模式"), false);
    auto *btnClose = makeButton(this, QStringLiteral("btnclose"), tr("关闭"), false);

    auto *title = new QHBoxLayout;
    title->setObjectName(QStringLiteral("mainTitleLayout"));
    title->setContentsMargins(12, 7, 12, 7);
    title->setSpacing(0);
    title->addWidget(m_pBtnLogin, 0, Qt::AlignCenter);
    title->addSpacing(10);
    title->addWidget(countPicture, 0, Qt::AlignCenter);
    title->addSpacing(4);
    title->addWidget(m_pLabelCurUserCount, 0, Qt::AlignCenter);
    title->addStretch();
    title->addWidget(m_pSearchEdit, 0, Qt::AlignCenter);
    title->addSpacing(68);
    title->addWidget(btnSkin, 0, Qt::AlignCenter);
    title->addSpacing(10);
    title->addWidget(btnMain, 0, Qt::AlignCenter);
    title->addSpacing(10);
    title->addWidget(btnMin, 0, Qt::AlignCenter);
    title->addSpacing(10);
    title->addWidget(btnMini, 0, Qt::AlignCenter);
    title->addSpacing(10);
    title->addWidget(btnClose, 0, Qt::AlignCenter);
    m_pMainTitleLayout = title;

    connect(m_pBtnLogin, &QToolButton::clicked, this, &MainWindow::login);
    connect(btnSkin, &QToolButton::clicked, m_pWgtSkin, &WgtSkinSet::showWgt);
    connect(btnMini, &QToolButton::clicked, this, &MainWindow::showMini);
    connect(btnMin, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(btnClose, &QToolButton::clicked, this, &MainWindow::closeBtnHandler);
    connect(m_pSearchBtn, &QToolButton::clicked, this, &MainWindow::searchThroughNet);
    connect(m_pSearchEdit, &QLineEdit::textEdited, this, &MainWindow::searchContentChanged);

    // The lyric page's title bar.
    auto *btnReturn = makeButton(this, QStringLiteral("btnReturntoMain"), tr("返回普通模式(快捷键：Esc)"));
    btnReturn->setShortcut(QKeySequence(tr("Esc")));
    auto *lrcMain = makeButton(this, QStringLiteral("btnMain"), tr("主菜单"), false);
    auto *lrcMin = makeButton(this, QStringLiteral("btnmin"), tr("最小化"), false);
    auto *lrcMini = makeButton(this, QStringLiteral("btnToggleMini"), tr("切换到迷你模式"), false);
    auto *lrcClose = makeButton(this, QStringLiteral("btnclose"), tr("关闭"), false);
    auto *lrcTitle = new QHBoxLayout;
    lrcTitle->setObjectName(QStringLiteral("lrcTitleLayout"));
    lrcTitle->setContentsMargins(15, 13, 12, 0);
    lrcTitle->setSpacing(0);
    lrcTitle->addWidget(btnReturn);
    lrcTitle->addStretch();
    lrcTitle->addWidget(lrcMain, 0, Qt::AlignTop);
    lrcTitle->addSpacing(10);
    lrcTitle->addWidget(lrcMin, 0, Qt::AlignTop);
    lrcTitle->addSpacing(10);
    lrcTitle->addWidget(lrcMini, 0, Qt::AlignTop);
    lrcTitle->addSpacing(10);
    lrcTitle->addWidget(lrcClose, 0, Qt::AlignTop);
    m_pLrcTitleLayout = lrcTitle;
    connect(btnReturn, &QToolButton::clicked, this, &MainWindow::showNormalFromLrc);
    connect(lrcMini, &QToolButton::clicked, this, &MainWindow::showMini);
    connect(lrcMin, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(lrcClose, &QToolButton::clicked, this, &MainWindow::closeBtnHandler);

    m_pBtnToggleMiniC = makeButton(this, QStringLiteral("btnToggleMiniC"), tr("切换到普通模式"), false);
    m_pBtnToggleMiniC->hide();
    connect(m_pBtnToggleMiniC, &QToolButton::clicked, this, &MainWindow::minitoMainWnd);

    m_pLrcMenu = new QMenu(this);
    m_pLrcMenu->addMenu(tr("循环模式"))->addActions(m_pPlayModeGroup->actions());
    m_pLrcMenu->addSeparator();
    m_pLrcMenu->addAction(m_pActMini);
    m_pLrcMenu->addAction(m_pActLrc);
    m_pLrcMenu->addSeparator();
    m_pLrcMenu->addAction(m_pActConfig);
    m_pLrcMenu->addSeparator();
    m_pLrcMenu->addAction(m_pActAbout);
    m_pLrcMenu->addAction(m_pActUpdate);
    m_pLrcMenu->addAction(m_pActQuit);
    lrcMain->setMenu(m_pLrcMenu);
    lrcMain->setPopupMode(QToolButton::InstantPopup);
}
