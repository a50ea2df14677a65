#include "app/miniWgt.h"

#include "app/MainWindow.h"
#include "app/TopMost.h"
#include "services/core/Globals.h"
#include "services/playback/PlaybackGlobals.h"
#include "shell/GlobalMainWgtUIRelated.h"

#include <QAction>
#include <QCursor>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

miniWgt *g_pMiniWgt = nullptr;

namespace {

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &toolTip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

miniWgt::miniWgt(QWidget *parent, QToolButton *lrcButton, QToolButton *backButton)
    : QFrame(parent)
    , m_pMainWnd(qobject_cast<MainWindow *>(parent))
{
    setObjectName(QStringLiteral("miniWgt"));
    // A window of its own even with the main window as parent.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);

    m_plabelMiniAlbumPic = new QLabel(this);
    m_plabelMiniAlbumPic->setObjectName(QStringLiteral("miniWgtm_plabelMiniAlbumPic"));
    if (g_pUIRelated)
        g_pUIRelated->m_pLabelMiniAlbumPic = m_plabelMiniAlbumPic;

    m_pFrameRight = new QFrame(this);
    m_pFrameRight->setObjectName(QStringLiteral("miniWgt_pFrameRight"));
    m_pFrameRightTop = new QFrame(m_pFrameRight);
    m_pFrameRightTop->setObjectName(QStringLiteral("miniWgt_pFrameRightTop"));

    m_miniLabelTitle = new QLabel(tr("欢迎使用澜韵音乐"), m_pFrameRightTop);
    m_miniLabelTitle->setObjectName(QStringLiteral("miniWgtm_miniLabelTitle"));
    m_miniLabelTitle->setAlignment(Qt::AlignCenter);
    // A long song name or lyric line is cut at the window's edge instead of widening the window.
    m_miniLabelTitle->setMinimumWidth(1);
    m_pbtnMin = makeButton(m_pFrameRightTop, QStringLiteral("miniWgtm_pbtnMin"), QString());
    m_pbtnToggleMiniC = backButton;
    m_pbtnClose = makeButton(m_pFrameRightTop, QStringLiteral("miniWgtm_pbtnClose"), tr("关闭"));

    auto *titleRow = new QHBoxLayout(m_pFrameRightTop);
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(9);
    titleRow->addWidget(m_miniLabelTitle);
    titleRow->addStretch();
    titleRow->addWidget(m_pbtnMin, 0, Qt::AlignTop);
    if (backButton)
        titleRow->addWidget(backButton, 0, Qt::AlignTop);
    titleRow->addWidget(m_pbtnClose, 0, Qt::AlignTop);

    m_plabelMiniLrc = new QLabel(m_pFrameRight);
    m_plabelMiniLrc->setObjectName(QStringLiteral("miniWgtm_plabelMiniLrc"));
    m_plabelMiniLrc->setMinimumWidth(1);
    m_plabelMiniLrc->hide();
    m_pTbPrev = makeButton(m_pFrameRight, QStringLiteral("miniTBPrevSong"), tr("上一曲"));
    m_pTbPlay = makeButton(m_pFrameRight, QStringLiteral("miniTBPlaySong"), tr("播放(快捷键:空格)"));
    m_pTbPause = makeButton(m_pFrameRight, QStringLiteral("miniTBPauseSong"), tr("暂停(快捷键:空格)"));
    m_pTbPause->hide();
    m_pTbNext = makeButton(m_pFrameRight, QStringLiteral("miniTBNextSong"), tr("下一曲"));
    m_pbtnLove = makeButton(m_pFrameRight, QStringLiteral("miniWgtm_pbtnLove"), tr("喜欢"));
    m_pbtnLove->setCheckable(true);

    auto *controlRow = new QHBoxLayout;
    controlRow->setContentsMargins(0, 0, 0, 0);
    controlRow->setSpacing(0);
    controlRow->addWidget(m_plabelMiniLrc);
    controlRow->addWidget(m_pTbPrev);
    controlRow->addWidget(m_pTbPlay);
    controlRow->addWidget(m_pTbPause);
    controlRow->addWidget(m_pTbNext);
    controlRow->addStretch();
    controlRow->addWidget(m_pbtnLove, 0, Qt::AlignBottom);

    auto *right = new QVBoxLayout(m_pFrameRight);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(m_pFrameRightTop);
    right->addLayout(controlRow);

    auto *window = new QHBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(m_plabelMiniAlbumPic);
    window->addWidget(m_pFrameRight);

    // The mini player has no place for the lyric switch; it keeps the button, so that it is
    // freed with the window and never turns into a stray top-level window of its own.
    if (lrcButton) {
        lrcButton->setParent(this);
        lrcButton->hide();
    }

    // Space plays or pauses while the mini player is the active window. Each shortcut belongs to
    // its button, so only the one on show answers.
    for (QToolButton *button : {m_pTbPlay, m_pTbPause}) {
        auto *space = new QShortcut(QKeySequence(Qt::Key_Space), button);
        space->setContext(Qt::WindowShortcut);
        connect(space, &QShortcut::activated, button, &QToolButton::click);
    }

    // Both only hide the window; the program goes on in the tray.
    connect(m_pbtnClose, &QToolButton::clicked, this, &QWidget::close);
    connect(m_pbtnMin, &QToolButton::clicked, this, &QWidget::close);
    connect(m_pbtnLove, &QToolButton::clicked, this, &miniWgt::addtoMorenGedan);

    m_pMenu = new QMenu(this);
    m_pActTopMost = m_pMenu->addAction(tr("总在最前"));
    m_pActTopMost->setCheckable(true);
    m_pActTopMost->setChecked(true);
    connect(m_pActTopMost, &QAction::triggered, this, &miniWgt::setTopMost);
    QMenu *modes = m_pMenu->addMenu(tr("播放模式"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &miniWgt::playContextMenu);

    if (m_pMainWnd) {
        MainWindow *main = m_pMainWnd;
        for (QAction *mode : {main->m_pActModeSingle, main->m_pActModeOrder, main->m_pActModeRandom}) {
            if (mode)
                modes->addAction(mode);
        }
        if (main->m_pActQuit)
            m_pMenu->addAction(main->m_pActQuit);
        connect(m_pMenu, &QMenu::hovered, main, &MainWindow::mainMenuActHovered);
        connect(m_pMenu, &QMenu::aboutToHide, main, &MainWindow::mainMenuAbouttoHide);
        connect(m_pTbPlay, &QToolButton::clicked, main, &MainWindow::resumeOrPause);
        connect(m_pTbPause, &QToolButton::clicked, main, &MainWindow::resumeOrPause);
        connect(m_pTbPrev, &QToolButton::clicked, main, &MainWindow::playPrevSong);
        connect(m_pTbNext, &QToolButton::clicked, main, &MainWindow::playNextSong);
    }
}

miniWgt::~miniWgt()
{
    if (g_pUIRelated && g_pUIRelated->m_pLabelMiniAlbumPic == m_plabelMiniAlbumPic)
        g_pUIRelated->m_pLabelMiniAlbumPic = nullptr;
}

void miniWgt::changeLrcLine(const QString &sLine)
{
    m_plabelMiniLrc->setText(sLine);
}

void miniWgt::playContextMenu(const QPoint &)
{
    m_pMenu->exec(QCursor::pos());
}

void miniWgt::setTopMost(bool bTopmost)
{
    g_setTopMost(this, bTopmost);
}

void miniWgt::addtoMorenGedan()
{
    // Nobody to save it for: the heart does not stay lit while the main window asks for a login.
    if (g_sMemberId.isEmpty())
        m_pbtnLove->setChecked(false);
    if (m_pMainWnd && m_pMainWnd->m_pBtnLove)
        m_pMainWnd->m_pBtnLove->click();
}

void miniWgt::mousePressEvent(QMouseEvent *event)
{
    m_bDragging = true;
    m_ptPressGlobal = event->globalPosition().toPoint();
    m_ptWindowAtPress = m_ptPressGlobal - event->position().toPoint();
    event->accept();
}

void miniWgt::mouseMoveEvent(QMouseEvent *event)
{
    if (m_bDragging)
        move(m_ptWindowAtPress + (event->globalPosition().toPoint() - m_ptPressGlobal));
    event->accept();
}

void miniWgt::mouseReleaseEvent(QMouseEvent *event)
{
    m_bDragging = false;
    event->accept();
}

void miniWgt::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_pMainWnd)
        m_pMainWnd->minitoMainWnd();
    event->accept();
}

void miniWgt::enterEvent(QEnterEvent *event)
{
    m_pbtnMin->show();
    if (m_pbtnToggleMiniC)
        m_pbtnToggleMiniC->show();
    m_pbtnClose->show();
    m_pTbPrev->show();
    const bool showPlay = g_hStream == 0 || (m_pMainWnd && m_pMainWnd->isPaused());
    m_pTbPlay->setVisible(showPlay);
    m_pTbPause->setVisible(!showPlay);
    m_pTbNext->show();
    m_plabelMiniLrc->hide();
    QFrame::enterEvent(event);
}

void miniWgt::leaveEvent(QEvent *event)
{
    m_pbtnMin->hide();
    if (m_pbtnToggleMiniC)
        m_pbtnToggleMiniC->hide();
    m_pbtnClose->hide();
    m_pTbPrev->hide();
    m_pTbPlay->hide();
    m_pTbPause->hide();
    m_pTbNext->hide();
    m_plabelMiniLrc->show();
    QFrame::leaveEvent(event);
}
