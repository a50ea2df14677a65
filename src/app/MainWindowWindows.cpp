// Window management: the mini player and back, stay on top, the lyric box in place of the pages
// (windowed or full screen), the equalizer window, the volume keys, the search box's behaviour,
// the title strip's double click, the click on the user picture, and the timed shutdown's tick.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/TopMost.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "library/WgtLocalLists.h"
#include "lyrics/desktopLrc.h"
#include "lyrics/kvrBoxLrc.h"
#include "lyrics/kvrLrcBoxWgt.h"
#include "online/WgtInstantSearch.h"
#include "platform/PowerOff.h"
#include "services/core/Globals.h"
#include "services/core/ProgramHelpers.h"
#include "settings/CDManager.h"
#include "settings/kvrEqWidget.h"
#include "shell/CusEvent.h"
#include "shell/SliderClick.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {

// The title strip, where a double click switches to the mini player.
const QRect kTitleStrip(0, 0, 978, 37);
constexpr int kVolumeKeyStep = 500;

const QString kPanelOverLyrics = QStringLiteral(
    "#playpanel{max-height:68px; min-height:68px;background-image:url();background-color:rgba(0,0,0,70%);}");
const QString kPanelOverPages = QStringLiteral(
    "#playpanel{max-height:68px; min-height:68px;background-image:url(:/qss/debug/images/btnimage/"
    "tp/playerBg.png);background-repeat: repeat-x;}");

} // namespace

// ---- Mini mode and stay on top ----

void MainWindow::showMini()
{
    m_bMiniMode = true;
    hide();
    if (g_pMiniWgt)
        g_pMiniWgt->show();
    if (g_pTrayWgt) {
        g_pTrayWgt->m_tbSwitchtoNormal->show();
        g_pTrayWgt->m_tbSwitchMini->hide();
    }
}

void MainWindow::minitoMainWnd()
{
    m_bMiniMode = false;
    show();
    if (g_pDesktopLrc && g_pDesktopLrc->isVisible())
        g_pDesktopLrc->raise();
    if (g_pMiniWgt)
        g_pMiniWgt->hide();
    if (g_pTrayWgt) {
        g_pTrayWgt->m_tbSwitchtoNormal->hide();
        g_pTrayWgt->m_tbSwitchMini->show();
    }
}

void MainWindow::setTopMost(bool bTopmost)
{
    g_setTopMost(this, bTopmost);
}

// ---- The lyric box in place of the pages ----

void MainWindow::toggleLRCBox(bool bDisplay)
{
    if (bDisplay) {
        m_pCentralWidgetMain->hide();
        m_pLrcPage->show();
        m_pPlayPanel->raise();
        m_pPlayPanel->setStyleSheet(kPanelOverLyrics);
        return;
    }
    if (m_pLrcPage->m_bFullScreen)
        toggleLrcBoxFullscreen(false);
    m_pCentralWidgetMain->show();
    m_pLrcPage->hide();
    m_pPlayPanel->raise();
    m_pPlayPanel->setStyleSheet(kPanelOverPages);
}

void MainWindow::toggleLrcBoxFullscreen(bool bFull)
{
    m_pLrcPage->m_bFullScreen = bFull;
    if (bFull) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        resize(screen ? screen->geometry().size() : size());
        move(0, 0);
    } else {
        setGeometry(startGeometry(availableDesktop()));
    }
    // The central frame takes its new size from the layout only once it runs.
    if (layout())
        layout()->activate();
    m_pLrcPage->resize(m_pCentralWidget->size());
    m_pBoxLrc->lineRect();
    if (bFull) {
        m_pPlayPanel->hide();
        activateWindow();
        raise();
        if (g_pDesktopLrc && g_pDesktopLrc->isVisible())
            g_pDesktopLrc->raise();
    } else {
        m_pPlayPanel->show();
        m_pPlayPanel->raise();
    }
}

// ---- Equalizer and desktop lyrics ----

void MainWindow::toggleEq(bool bDisplay)
{
    if (m_pEqWidget)
        m_pEqWidget->setVisible(bDisplay);
}

void MainWindow::showEq()
{
    if (m_pEqWidget)
        m_pEqWidget->show();
}

void MainWindow::displayLRC(bool bDisplay)
{
    if (g_pDesktopLrc)
        g_pDesktopLrc->setVisible(bDisplay);
}

// ---- Keys and mouse ----

void MainWindow::keyReleaseEvent(QKeyEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->key() == Qt::Key_Up) {
            stepVolume(kVolumeKeyStep);
            return;
        }
        if (event->key() == Qt::Key_Down) {
            stepVolume(-kVolumeKeyStep);
            return;
        }
    }
    QWidget::keyReleaseEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (kTitleStrip.contains(event->position().toPoint())) {
        showMini();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pSearchEdit) {
        switch (int(event->type())) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return) {
                searchThroughNet();
                return true;
            }
            break;
        case QEvent::FocusIn:
            m_pSearchEdit->setStyleSheet(QStringLiteral("color:#666666"));
            if (m_pSearchEdit->text() == tr("搜索歌手、歌曲"))
                m_pSearchEdit->clear();
            break;
        case QEvent::FocusOut:
            if (m_pSearchEdit->text().isEmpty()) {
                m_pSearchEdit->setStyleSheet(QStringLiteral("color:rgb(193,193,193)"));
                m_pSearchEdit->setText(tr("搜索歌手、歌曲"));
            }
            if (m_pInstantSearch && m_pInstantSearch->isVisible() &&
                static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
                m_pInstantSearch->hide();
            break;
        case QEvent::MouseButtonRelease:
            searchContentChanged(m_pSearchEdit->text());
            break;
        case CusEvent::SyncFavAct:
        case CusEvent::PostFavSync:
            syncFavList();
            return true;
        default:
            break;
        }
        return false;
    }
    const bool menu = watched == m_pMainMenu || (g_pMiniWgt && watched == g_pMiniWgt->m_pMenu);
    if (menu && event->type() == QEvent::Leave)
        mainMenuAbouttoHide();
    return QWidget::eventFilter(watched, event);
}

// ---- Timed shutdown ----

void MainWindow::onTimerGuanJi()
{
    bool due = false;
    if (m_shutdown.mode == 2) {
        due = m_shutdown.secondsLeft <= 0;
        --m_shutdown.secondsLeft;
    } else if (m_shutdown.mode == 3) {
        due = m_pLocalLists && m_pLocalLists->allDownloadsFinished();
    }
    if (due)
        shutDownNow();
}

void MainWindow::shutDownNow()
{
    // Powering off ends the session without asking the program first: everything the quit path
    // keeps is saved before the request goes out.
    if (m_pLocalLists)
        m_pLocalLists->allStopDown();
    saveWindowSettings();
    saveLists();
    if (CD_MANAGER)
        CD_MANAGER->saveSetting();
    qCInfo(lcApp) << "timed shutdown: lists and settings saved, asking to power off";
    // Refused (no privilege): the next tick asks again.
    if (g_shutdownWindows())
        m_pTimerGuanJi->stop();
}
