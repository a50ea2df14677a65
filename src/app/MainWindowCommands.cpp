// Page switching, the count texts, the web navigation buttons, the volume, and the commands
// whose windows come later (they say so in the debug output and do nothing else).

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "audio/kvraudio.h"
#include "device/UsbSelectForm.h"
#include "library/WgtLocalLists.h"
#include "lyrics/desktopLrc.h"
#include "online/KvrWebView.h"
#include "online/MyWebView.h"
#include "online/WgtAbout.h"
#include "online/kvrDrawerWeb.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/downloadWgt.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/SafeFileName.h"
#include "services/net/ServiceEndpoints.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/FolderSeam.h"
#include "settings/DingShiGuanJiDialog.h"
#include "settings/kvrEqWidget.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/volButton.h"

#include <QAction>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

namespace {

void showOnly(const QList<QWidget *> &labels, int index)
{
    for (int i = 0; i < labels.size(); ++i)
        labels.at(i)->setVisible(i == index);
}

} // namespace

void MainWindow::updateCountLabels(int nKind, int nCount)
{
    const QString count = QString::number(nCount);
    switch (nKind) {
    case 0:
        if (auto *label = findChild<QLabel *>(QStringLiteral("topm_labelPlaylistSongCount")))
            label->setText(tr("共%1首歌曲").arg(count));
        break;
    case 1:
        m_pLabelFavSingerCount->setText(tr("共%1个歌手").arg(count));
        break;
    case 2:
        m_pLabelFavListCount->setText(tr("共%1个歌单").arg(count));
        break;
    case 3:
        m_pLabelLocalSingerCount->setText(tr("共%1个歌手").arg(count));
        break;
    case 4:
        m_pLabelLocalAlbumCount->setText(tr("共%1个专辑").arg(count));
        break;
    case 5: {
        const int width = nCount <= 9 ? 12 : (nCount <= 99 ? 16 : 20);
        m_pLabelPlaylistBadge->setStyleSheet(g_sBadgeStyleTemplate.arg(width).arg(16));
        m_pLabelPlaylistBadge->setText(nCount > 99 ? QStringLiteral("99+") : count);
        m_pLabelPlaylistBadge->adjustSize();
        m_pCountPlaylistAll->setText(tr("共%1首歌曲").arg(count));
        break;
    }
    case 6:
        m_pCountPlaylistRecent->setText(tr("共%1首歌曲").arg(count));
        break;
    case 7:
        m_pCountPlaylistChart->setText(tr("共%1首歌曲").arg(count));
        break;
    case 8:
        m_pLabelLocalDirCount->setText(tr("共%1个目录").arg(count));
        break;
    default:
        break;
    }
}

void MainWindow::showThePlaylistWgt(int n)
{
    m_pPlaylistStack->setCurrentIndex(n);
    showOnly({m_pCountPlaylistAll, m_pCountPlaylistRecent, m_pCountPlaylistChart}, qBound(0, n, 2));
}

void MainWindow::showTheFavWgt(int n)
{
    m_pFavStack->setCurrentIndex(n);
    showOnly({m_pLabelFavListCount, m_pLabelFavSingerCount, m_pLabelFavAllSong}, qBound(0, n, 2));
}

void MainWindow::showTheLocalWgt(int n)
{
    m_pLocalStack->setCurrentIndex(n);
    showOnly({m_pLabelLocalDirCount, m_pLabelLocalAlbumCount, m_pLabelLocalSingerCount, m_pLabelLocalAllSong},
             qBound(0, n, 3));
}

void MainWindow::programShowTheAlbumWgt()
{
    if (QAbstractButton *album = m_pLocalTabs->button(1))
        album->setChecked(true);
    showTheLocalWgt(1);
}

void MainWindow::showTheWebWgt(int n)
{
    if (g_pWebDrawer)
        g_pWebDrawer->closeMyself();
    m_pWebStack->setCurrentIndex(n);
}

void MainWindow::onmSheBeiAnNiuClicked()
{
    m_pUsbSelectForm->shuaXinUsbSheBei();
    m_pLabelNewDevice->hide();
}

void MainWindow::gotoSuggestUrl()
{
    QDesktopServices::openUrl(QUrl(g_endpoints().suggestionPage));
}

MyWebView *MainWindow::debouncedWebView()
{
    // Back and reload share the debounce of the pages' links: a click within its time is dropped.
    if (m_bUrlClickForbidden)
        return nullptr;
    forbidUrlClick();
    QWidget *page = m_pTbWeb->isChecked() ? m_pWebStack->currentWidget() : m_pRadioStack->currentWidget();
    return qobject_cast<MyWebView *>(page);
}

void MainWindow::webBack()
{
    if (MyWebView *view = debouncedWebView())
        view->m_pWebView->back();
}

void MainWindow::webForward()
{
    // No page moves forward; the click still takes its turn in the debounce.
    debouncedWebView();
}

void MainWindow::webReload()
{
    if (MyWebView *view = debouncedWebView())
        view->m_pWebView->reload();
}

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (g_pTrayWgt)
            g_pTrayWgt->show();
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        activateMainWnd();
        break;
    default:
        break;
    }
}

void MainWindow::toggleLRC(bool bDisplay)
{
    if (g_pDesktopLrc)
        g_pDesktopLrc->setVisible(bDisplay);
    // Each switch is set only when it differs, so the three do not toggle each other in a loop.
    if (m_pActLrc && m_pActLrc->isChecked() != bDisplay)
        m_pActLrc->setChecked(bDisplay);
    if (m_pBtnLrc && m_pBtnLrc->isChecked() != bDisplay)
        m_pBtnLrc->setChecked(bDisplay);
    if (m_pMiniTbLrc && m_pMiniTbLrc->isChecked() != bDisplay)
        m_pMiniTbLrc->setChecked(bDisplay);
    if (g_pTrayWgt) {
        QToolButton *trayLrc = g_pTrayWgt->m_tbSwitchDeskLrc;
        trayLrc->setText(bDisplay ? tr("关闭桌面歌词") : tr("显示桌面歌词"));
        if (trayLrc->isChecked() != bDisplay)
            trayLrc->setChecked(bDisplay);
    }
    MyIni(nullptr, g_sDataDir + QStringLiteral("/configu.ini"))
        .setValue(QStringLiteral("ShowGeCi"), bDisplay ? QStringLiteral("1") : QStringLiteral("0"));
}

void MainWindow::closeLRC()
{
    toggleLRC(false);
}

void MainWindow::dealWithWebLink(const QUrl &url)
{
    qCDebug(lcApp) << "web-link commands are not available yet:" << url.toString().left(200);
}

void MainWindow::downloadSong(const QString &filePath, const QString &title, const QString &artist,
                              const QString &album, const QString &size, const QString &duration,
                              const QString &id)
{
    try {
        // Named as the download page and the downloader name it, so the file found is the file written.
        const QString target = g_folderSeam()->getDownDir() + QLatin1Char('/') +
                               g_safeFileName(artist + QStringLiteral(" - ") + title, QStringLiteral(".mp3"));
        if (QFileInfo::exists(target)) {
            showHint(tr("已下载完成"));
            return;
        }
        if (g_pDownloadWgt)
            g_pDownloadWgt->downTheSong(filePath, title, artist, album, size, duration, id);
    } catch (...) {
        g_writeExceptionLog(
            "void __thiscall MainWindow::downloadSong(const class QString &,const class QString "
            "&,const class QString &,const class QString &,const class QString &,const class "
            "QString &,const class QString &)");
    }
}

bool MainWindow::isDownloadBusy()
{
    if (!g_pDownloadWgt)
        return true;
    if (g_pDownloadWgt->isBusy())
        return true;
    g_pDownloadWgt->rechargeDownloadOperationsLater();
    return false;
}

void MainWindow::showDownloadBadges()
{
    m_pLabelNewSongs->show();
    if (m_pLabelNewDot)
        m_pLabelNewDot->show();
}

void MainWindow::navigate2TheUrl(const QString &sUrl)
{
    qCDebug(lcApp) << "the web drawer does not open pages yet:" << sUrl.left(200);
}

// ---- Commands whose windows and behaviour come with their own pages ----

void MainWindow::login()
{
    commandNotAvailable("the login");
}
void MainWindow::showTheConfig(int page)
{
    qCDebug(lcApp) << "settings page" << page;
    commandNotAvailable("the settings dialog");
}
void MainWindow::showConfig()
{
    showTheConfig(0);
}
void MainWindow::showAbout()
{
    WgtAbout about(this);
    about.exec();
}
void MainWindow::manualUpdate()
{
    commandNotAvailable("the update dialog");
}
void MainWindow::onActDingShiGuanJi()
{
    m_pActDingShi->setIcon(QIcon(QStringLiteral(":/rs/dingSHi_1.png")));
    m_shutdown.tickTimer = m_pTimerGuanJi;
    m_shutdown.downloadRowCount = [this] { return m_pLocalLists ? m_pLocalLists->downloadRowCount() : 0; };
    DingShiGuanJiDialog dialog(this, &m_shutdown);
    dialog.exec();
}
void MainWindow::showNormalFromLrc()
{
    if (m_ppbcLRCBox)
        m_ppbcLRCBox->setChecked(false);
}
void MainWindow::searchThroughNet()
{
    commandNotAvailable("the web search");
}
void MainWindow::searchContentChanged(const QString &text)
{
    qCDebug(lcApp) << "search text" << text.left(100);
}
void MainWindow::mainMenuActHovered(QAction *) {}
void MainWindow::mainMenuAbouttoHide() {}
void MainWindow::shareThePlayingSong()
{
    commandNotAvailable("sharing");
}
void MainWindow::downThePlayingSong()
{
    commandNotAvailable("downloading the playing song");
}
void MainWindow::saveThePlayingSongtoDefaultGedan()
{
    commandNotAvailable("loving the playing song");
}
