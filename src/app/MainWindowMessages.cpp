// What reaches the window from outside: a second start's text, the restore of a minimised
// window, and drives that arrive or leave.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/DiskSpaceText.h"
#include "app/miniWgt.h"
#include "device/UsbDialog.h"
#include "device/UsbSelectForm.h"
#include "platform/VolumeList.h"
#include "playlists/WgtPlaylistAll.h"
#include "services/core/DailyLog.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindowStateChangeEvent>

void MainWindow::dealWithSecondStart(const QString &text)
{
    activateMainWnd();
    if (text != QLatin1String("kvr"))
        m_pPlaylistAll->addSongstoList({text}, true, false, 0);
}

void MainWindow::activateMainWnd()
{
    QWidget *window = (g_pMiniWgt && g_pMiniWgt->isVisible()) ? static_cast<QWidget *>(g_pMiniWgt) : this;
    window->showNormal();
    window->raise();
    window->activateWindow();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        // Coming back from minimised: the panels are refreshed once the window is up again.
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            m_pTimerUpdatesth->start(1000);
    }
    QWidget::changeEvent(event);
}

void MainWindow::updatesth()
{
    update();
    if (m_pPlayPanel)
        m_pPlayPanel->raise();
}

void MainWindow::usbChaRuBaChu(int nReason)
{
    qCDebug(lcApp) << "drive scan, reason" << nReason;
    QString kind;
    QString icon;
    bool found = false;
    m_slUsbRoots.clear();
    for (const MountedVolume &volume : g_mountedVolumes()) {
        if (!volume.usb)
            continue;
        found = true;
        m_slUsbRoots << volume.rootPath;
        const QStringList space = g_diskSpaceText(volume.bytesTotal, volume.bytesFree);
        if (space.size() == 2) {
            kind = tr("U盘");
            icon = QStringLiteral(":/rs/rs/uPan.png");
        } else if (space.isEmpty()) {
            kind = tr("手机");
            icon = QStringLiteral(":/rs/rs/shouji.png");
        }
    }

    // A transfer page belongs to the device it was opened for; a scan starts from the chooser.
    try {
        while (m_pSheBeiStack->count() > 1) {
            QWidget *page = m_pSheBeiStack->widget(1);
            m_pSheBeiStack->removeWidget(page);
            page->deleteLater();
        }
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::usbChaRuBaChu(int)");
    }

    if (found) {
        m_pLabelNewDevice->show();
        m_pUsbSelectForm->shuaXinUsbSheBei();
        if (!m_pBtnSheBei->isVisible())
            m_pBtnSheBei->show();
        auto *dialog = new UsbDialog;
        m_pUsbDlg = dialog;
        dialog->textLabel()->setText(dialog->textLabel()->text().replace(QStringLiteral("{设备}"), kind));
        dialog->pictureLabel()->setPixmap(QPixmap(icon));
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 980, 716);
        dialog->move(available.right() - available.left() - 328, available.bottom() - available.top() - 195);
        dialog->show();
        return;
    }

    if (m_pUsbDlg)
        m_pUsbDlg->close();
    m_pLabelNewDevice->hide();
    m_pBtnSheBei->hide();
    m_pUsbSelectForm->shuaXinUsbSheBei();
    // With the device section gone, both stacks and the left column return to the web pages.
    m_pContentStack->setCurrentIndex(1);
    m_pTopBarStack->setCurrentIndex(1);
    m_pTbWeb->setChecked(true);
}

QStringList MainWindow::usbVolumeRoots()
{
    QStringList roots;
    for (const MountedVolume &volume : g_mountedVolumes()) {
        if (volume.usb)
            roots << volume.rootPath;
    }
    return roots;
}

QString MainWindow::getUsbDrives() const
{
    for (const MountedVolume &volume : g_mountedVolumes()) {
        if (volume.usb && !g_diskSpaceText(volume.bytesTotal, volume.bytesFree).isEmpty())
            return volume.rootPath;
    }
    return {};
}
