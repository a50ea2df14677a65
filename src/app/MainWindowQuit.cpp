// Closing and quitting: the close button's question, a close request from the desktop, the
// quit command (also reached by SIGTERM, SIGINT, SIGHUP and the session's end), and freeMem,
// which reports, saves and frees once the event loop has returned. Dragging the frameless
// window lives here too.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/miniWgt.h"
#include "audio/kvraudio.h"
#include "library/WgtLocalLists.h"
#include "lyrics/kvrLrcBoxWgt.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/ProgramHelpers.h"
#include "services/net/HttpObject.h"
#include "services/net/PostLogObject.h"
#include "services/playback/FreeStreamThread.h"
#include "services/playback/songplayHandler.h"
#include "settings/CDManager.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/kvrDlgQuitHint.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QSettings>

namespace {

// freeMem waits this many times this long for the offline report's answer.
constexpr int kOfflineWaits = 50;
constexpr int kOfflineWaitMs = 100;

} // namespace

std::function<bool()> &MainWindow::trayAvailable()
{
    static std::function<bool()> answer;
    return answer;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    try {
        // Without a tray the hidden window could never be reached again: closing quits.
        const bool tray = trayAvailable() ? trayAvailable()() : QSystemTrayIcon::isSystemTrayAvailable();
        if (!tray || !m_pTrayIcon || !m_pTrayIcon->isVisible()) {
            event->ignore();
            quitting();
            return;
        }
        hide();
        event->accept();
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::closeEvent(class QCloseEvent *)");
    }
}

void MainWindow::closeBtnHandler()
{
    MyIni user(nullptr, g_sDataDir + QStringLiteral("/configu.ini"));
    const QString quitHint = user.value(QStringLiteral("QuitHint"));
    if (quitHint == QLatin1String("1")) {
        quitting();
        return;
    }
    if (quitHint == QLatin1String("0")) {
        close();
        return;
    }
    kvrDlgQuitHint question(this);
    if (question.exec() != QDialog::Accepted)
        return;
    if (question.m_bQuit) {
        if (question.m_bNoMoreAsk)
            user.setValue(QStringLiteral("QuitHint"), QStringLiteral("1"));
        quitting();
    } else {
        if (question.m_bNoMoreAsk)
            user.setValue(QStringLiteral("QuitHint"), QStringLiteral("0"));
        close();
    }
}

void MainWindow::quitting()
{
    // SIGTERM during a logout can arrive after the menu's quit: the settings are saved once.
    if (m_bQuitting)
        return;
    m_bQuitting = true;
    try {
        m_pLocalLists->allStopDown();
        saveWindowSettings();
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::quitting(void)");
    }
    hide();
    QCoreApplication::quit();
}

void MainWindow::saveWindowSettings()
{
    QSettings registry(QStringLiteral("kvr"), QStringLiteral("vyoplayer"));
    if (g_pMiniWgt)
        registry.setValue(QStringLiteral("minigeometry"), g_pMiniWgt->saveGeometry());
    registry.setValue(QStringLiteral("lrcVisible"), m_pBtnLrc->isChecked());
    registry.sync();
    MyIni user(nullptr, g_sDataDir + QStringLiteral("/configu.ini"));
    user.setValue(QStringLiteral("vol"), QString::number(m_pVolumeSlider->value()));
    user.setValue(QStringLiteral("eq"), g_bEqOn ? QStringLiteral("1") : QStringLiteral("0"));
    user.setValue(QStringLiteral("playMode"), QString::number(g_nPlayMode));
}

void MainWindow::saveLists()
{
    if (m_pPlaylistAll)
        m_pPlaylistAll->savePlayList();
    if (m_pPlaylistChart)
        m_pPlaylistChart->savePlayList();
    if (m_pPlaylistRecent)
        m_pPlaylistRecent->savePlayList();
    if (m_pLocalLists)
        m_pLocalLists->saveLocalList();
}

void MainWindow::freeMem()
{
    if (m_bFreed)
        return;
    m_bFreed = true;

    try {
        SetTodayLog(QStringLiteral("CloseTime"), QString(), true);
        if (m_pHttpObject) {
            if (!g_sMemberId.trimmed().isEmpty()) {
                const QByteArray logout =
                    "mac=" + QUrl::toPercentEncoding(m_sMac) +
                    "&type=loginout&memberId=" + QUrl::toPercentEncoding(g_sMemberId) + "&memberName=" +
                    QUrl::toPercentEncoding(QString::fromLatin1(m_sMemberName.toUtf8().toBase64())) +
                    "&isQQ=" + QUrl::toPercentEncoding(m_sIsQQ);
                m_pHttpObject->get(m_sKeyUrl, ACTION_NEXT_LOGOUT, HttpObject::newReport(logout), {});
            }
            const QByteArray offline = "mac=" + QUrl::toPercentEncoding(m_sMac) + "&type=online&live=0";
            m_pHttpObject->get(m_sKeyUrl, ACTION_NEXT_LIVE, HttpObject::newReport(offline), {});
            // A service that never answers costs at most five seconds of the quit.
            for (int i = 0; i < kOfflineWaits; ++i) {
                if (m_pPostLogObj && m_pPostLogObj->isQuitDone())
                    break;
                g_waitMs(kOfflineWaitMs);
            }
        }
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::freeMem(void)", QStringLiteral("--包含g_cdm"));
    }

    try {
        if (g_pSongPlayHandler && g_pSongPlayHandler->freeStreamThread())
            g_pSongPlayHandler->freeStreamThread()->stop();
        saveLists();
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::freeMem(void)", QStringLiteral("--Save temp Lists"));
    }

    try {
        if (CD_MANAGER) {
            CD_MANAGER->saveSetting();
            delete CD_MANAGER;
            CD_MANAGER = nullptr;
        }
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::freeMem(void)",
                            QStringLiteral(" Delete CD_MAMAGER"));
    }

    try {
        // Also ends streams still opening: the layer cancels their transfers.
        if (m_bAudioReady)
            BASS_Free();
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::freeMem(void)", QStringLiteral("---BASS_Free"));
    }
    qCInfo(lcApp) << "quit: reports sent, lists and settings saved, audio freed";
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    m_bMousePressed = true;
    m_ptPressGlobal = event->globalPosition().toPoint();
    m_ptWindowAtPress = m_ptPressGlobal - event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    m_bDragged = m_bMousePressed;
    if (m_bMousePressed)
        move(m_ptWindowAtPress + (event->globalPosition().toPoint() - m_ptPressGlobal));
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    try {
        m_bMousePressed = false;
        if (m_bCursorSet) {
            setCursor(Qt::ArrowCursor);
            m_bCursorSet = false;
        }
        // A click on the user picture: log in, or see the account.
        if (QRect(0, 0, 70, 70).contains(event->position().toPoint()) && !m_pLrcPage->isVisible()) {
            if (g_sMemberId.isEmpty())
                login();
            else
                commandNotAvailable("the account pop-up");
        }
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::mouseReleaseEvent(class QMouseEvent *)");
    }
    QWidget::mouseReleaseEvent(event);
}
