// The play panel as the user's hand on the playback controller: the busy guard, play and pause,
// previous and next, seek, volume and mute, the fades around pause, resume and seek, the elapsed
// time and download gauge, the title line of the network player, and the play modes.

#include "app/MainWindow.h"

#include "app/AppLog.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "audio/kvraudio.h"
#include "lyrics/desktopLrc.h"
#include "lyrics/kvrLrcBoxWgt.h"
#include "online/KvrWebView.h"
#include "online/MyWebView.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/ProgramHelpers.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/singerHandler.h"
#include "services/playback/DownloadGauge.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/songplayHandler.h"
#include "services/seams/PlayListSeam.h"
#include "settings/kvrEqWidget.h"
#include "shell/PlayModeWgt.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/kvrSlideProg.h"
#include "shell/volButton.h"

#include <QAction>
#include <QActionGroup>
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>

namespace {

// A playback command blocks the next one for this long; a click on a page's link blocks the
// next link for the shorter time.
constexpr int kBusyMs = 800;
constexpr int kUrlClickMs = 600;
constexpr int kFadeInStepMs = 100;
constexpr int kFadeOutStepMs = 80;
constexpr int kFadeSteps = 6;
// A streamed song can be moved only this far (per mille) short of what has arrived.
constexpr int kSeekMargin = 20;
// The width the title line and the mini player's title take for a song's name.
constexpr int kTitleWidth = 269;
constexpr int kMiniTitleWidth = 140;
// The controller's reason for a skip to the next song from the end of the seek bar.
constexpr int kSkipFromSeekBar = 111;
constexpr int kVolumeMax = 10000;

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString elided(const QLabel *label, const QString &text, int width)
{
    return QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, width);
}

QLabel *miniTitle()
{
    return g_pMiniWgt ? g_pMiniWgt->m_miniLabelTitle : nullptr;
}

} // namespace

// ---- Guards ----

void MainWindow::DisableSth(bool bAutoEnable)
{
    m_bBusy = true;
    if (bAutoEnable)
        QTimer::singleShot(kBusyMs, this, &MainWindow::EnableSth);
}

void MainWindow::EnableSth()
{
    m_bBusy = false;
}

bool MainWindow::takeBusyGuard()
{
    if (m_bBusy)
        return false;
    DisableSth(true);
    return true;
}

void MainWindow::forbidUrlClick()
{
    m_bUrlClickForbidden = true;
    QTimer::singleShot(kUrlClickMs, this, &MainWindow::allowUrlClick);
}

void MainWindow::allowUrlClick()
{
    m_bUrlClickForbidden = false;
}

// ---- Previous, next, play and pause ----

void MainWindow::playPrevSong()
{
    if (m_bBusy)
        return;
    DisableSth(true);
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->playPrevSong();
}

void MainWindow::playNextSong()
{
    if (m_bBusy)
        return;
    DisableSth(true);
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->playNextSong();
}

void MainWindow::showPlayButtons(bool bPlaying)
{
    m_pBtnPause->setVisible(bPlaying);
    m_pBtnPlay->setVisible(!bPlaying);
    if (g_pMiniWgt) {
        // The mini player shows its controls only while the pointer is over it.
        const bool controlsShown = !g_pMiniWgt->m_pTbPrev->isHidden();
        g_pMiniWgt->m_pTbPause->setVisible(controlsShown && bPlaying);
        g_pMiniWgt->m_pTbPlay->setVisible(controlsShown && !bPlaying);
    }
    if (g_pTrayWgt) {
        g_pTrayWgt->m_tbPause->setVisible(bPlaying);
        g_pTrayWgt->m_tbPlay->setVisible(!bPlaying);
    }
}

void MainWindow::resumeOrPause()
{
    if (m_bBusy)
        return;
    DisableSth(true);

    const quint32 stream = g_hStream.load();
    if (stream == 0) {
        // Nothing loaded: the first row the user sees in the queue, not necessarily row 0.
        if (m_pPlaylistAll && m_pPlaylistAll->rowCount() > 0) {
            QListView *view = m_pPlaylistAll->listView();
            QModelIndex first = view->indexAt(QPoint(0, 0));
            // Before the window is laid out (the automatic play at start) no row is visible yet.
            if (!first.isValid())
                first = view->model()->index(0, 0);
            view->setCurrentIndex(first);
            m_pPlaylistAll->playTheListSong(first, true);
        }
        return;
    }

    if (m_bPaused) {
        // The buttons change only once the sound is back: a failed resume leaves the player
        // paused, and it must look paused.
        if (!BASS_ChannelPlay(stream, FALSE))
            return;
        showPlayButtons(true);
        if (g_bFadeInOut)
            fadeIn();
        else if (!m_bMuted)
            setVolume(m_pVolumeSlider->value()); // a faded pause left the volume at 1
        emit playStarted();
        m_bPaused = false;
        return;
    }

    showPlayButtons(false);
    if (g_bFadeInOut) {
        fadeOut();
        return;
    }
    m_bPaused = true;
    BASS_ChannelPause(stream);
    emit playPaused();
}

// ---- Volume ----

void MainWindow::setVolume(int nVolume)
{
    const int volume = qBound(0, nVolume, kVolumeMax);
    if (volume == 0) {
        m_pBtnUnmute->hide();
        m_pBtnMute->show();
    } else if (!m_pBtnMute->isHidden()) {
        m_pBtnUnmute->show();
        m_pBtnMute->hide();
    }
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, DWORD(volume));
    qCDebug(lcApp) << Q_FUNC_INFO << volume;
}

void MainWindow::setMute()
{
    if (g_hStream.load() == 0)
        return;
    if (BASS_GetConfig(BASS_CONFIG_GVOL_STREAM) > 0) {
        m_pBtnUnmute->hide();
        m_pBtnMute->show();
        m_nSavedVolume = m_pVolumeSlider->value();
        m_pVolumeSlider->setValue(0);
        m_pVolumeSlider->setEnabled(false);
        m_bMuted = true;
    } else {
        m_pBtnMute->hide();
        m_pBtnUnmute->show();
        if (m_nSavedVolume == 0)
            m_nSavedVolume = kVolumeMax;
        m_pVolumeSlider->setValue(m_nSavedVolume);
        m_pVolumeSlider->setEnabled(true);
        m_bMuted = false;
    }
}

void MainWindow::stepVolume(int nDelta)
{
    int volume = m_pVolumeSlider->value() + nDelta;
    volume = volume < 1 ? 0 : qMin(volume, kVolumeMax);
    m_pVolumeSlider->setValue(volume);
    setVolume(volume);
}

// ---- Fades ----

void MainWindow::fadeIn()
{
    m_pTimerVolAsc->stop();
    m_pTimerVolDesc->stop(); // a fade-out still running would pull the volume down again
    m_nVolAscStep = 0;
    const int v = m_pVolumeSlider->value();
    const int sixth = v / 6;
    m_listVolAsc = {sixth, 2 * sixth, 3 * sixth, 4 * sixth, 5 * sixth, v};
    m_pTimerVolAsc->start(kFadeInStepMs);
}

void MainWindow::fadeOut()
{
    m_pTimerVolDesc->stop();
    m_pTimerVolAsc->stop();
    m_nVolDescStep = 0;
    const int sixth = m_pVolumeSlider->value() / 6;
    // It ends at 1, not 0: a silent stream would show the mute button for a moment.
    m_listVolDesc = {5 * sixth, 4 * sixth, 3 * sixth, 2 * sixth, sixth, 1};
    m_pTimerVolDesc->start(kFadeOutStepMs);
}

void MainWindow::updateVolAsc()
{
    if (!m_bMuted)
        setVolume(m_listVolAsc.value(m_nVolAscStep));
    if (++m_nVolAscStep >= kFadeSteps)
        m_pTimerVolAsc->stop();
}

void MainWindow::updateVolDesc()
{
    if (!m_bMuted)
        setVolume(m_listVolDesc.value(m_nVolDescStep));
    if (++m_nVolDescStep < kFadeSteps)
        return;
    m_pTimerVolDesc->stop();
    if (m_bSeekAfterFade) {
        seekToSliderPos();
        fadeIn();
        m_bSeekAfterFade = false;
        DisableSth(true);
        return;
    }
    m_bPaused = true;
    BASS_ChannelPause(g_hStream.load());
    emit playPaused();
}

void MainWindow::cancelFadeOut()
{
    if (!m_pTimerVolDesc->isActive() && !m_bSeekAfterFade)
        return;
    m_pTimerVolDesc->stop();
    m_bSeekAfterFade = false;
    m_pSliderProg->setSeekPending(false);
    if (!m_bMuted)
        setVolume(m_pVolumeSlider->value());
}

// ---- Seek ----

void MainWindow::DealWithSliderPosChanging(int nNewPos)
{
    if (g_hStream.load() == 0 || !g_pSongPlayHandler)
        return;
    const qint64 s = qint64(g_pSongPlayHandler->m_session.m_nSongSeconds) * nNewPos / 1000;
    m_pSliderProg->m_sHoverText = QStringLiteral("%1:%2/").arg(twoDigits(s / 60), twoDigits(s % 60)) +
                                  g_pSongPlayHandler->m_sSongDuration;
}

void MainWindow::DealWithSliderPosChange(int pos)
{
    const bool network = g_nSongSourceKind == SongSourceKind::kNetwork;
    if (m_bBusy || g_hStream.load() == 0 || (network && pos > m_nDownloadPermille - kSeekMargin)) {
        // Dropped: the elapsed-time display moves the handle again.
        m_pSliderProg->setSeekPending(false);
        return;
    }
    m_nSeekPos = pos;
    if (pos >= 1000) {
        m_pSliderProg->setSeekPending(false);
        if (g_pSongPlayHandler)
            g_pSongPlayHandler->StartPlayNextSong(kSkipFromSeekBar);
        return;
    }
    m_bBusy = true;
    if (g_bFadeInOut) {
        m_bSeekAfterFade = true;
        fadeOut();
        return;
    }
    QTimer::singleShot(kBusyMs, this, &MainWindow::EnableSth);
    seekToSliderPos();
}

void MainWindow::seekToSliderPos()
{
    const quint32 stream = g_hStream.load();
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    if (length == 0 || length == QWORD(-1))
        return;
    const QWORD target = length * QWORD(qBound(0, m_nSeekPos, 1000)) / 1000;
    if (!BASS_ChannelSetPosition(stream, target, BASS_POS_BYTE))
        qCDebug(lcApp) << "can't set channel pos";
    m_pSliderProg->setSeekPending(false);
}

void MainWindow::hideSliderTimeHint()
{
    if (m_pSliderProg && m_pSliderProg->timeTip() && m_pSliderProg->timeTip()->isVisible())
        m_pSliderProg->timeTip()->hide();
}

// ---- The one-second tick ----

void MainWindow::updateTime()
{
    try {
        const quint32 stream = g_hStream.load();
        if (stream == 0 || m_bSeekAfterFade || m_pSliderProg->isSeekPending())
            return;

        const int gauge = g_updateDownloadGauge(g_pSongPlayHandler);
        if (gauge >= 0) {
            m_nDownloadPermille = gauge;
            m_pSliderProg->setValue(gauge);
        }

        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        if (length == 0 || length == QWORD(-1))
            return;
        const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
        const double secs = position == QWORD(-1) ? -1 : BASS_ChannelBytes2Seconds(stream, position);
        if (secs < 0) {
            m_pTimerLabel->setText(QStringLiteral("00:00"));
        } else {
            const qint64 t = qint64(secs);
            m_pTimerLabel->setText(QStringLiteral("%1:%2").arg(twoDigits(t / 60), twoDigits(t % 60)));
            if (t % 30 == 0 && m_pLrcPage)
                m_pLrcPage->changeBK(playingSingerId(), int(t / 30));
        }

        if (position == QWORD(-1))
            return;
        const int permille = int(qMin<QWORD>(position * 1000 / length, 1000));
        if (g_nSongSourceKind == SongSourceKind::kFile)
            m_pSliderProg->setValue(permille);
        m_pSliderProg->setCurValue(permille);
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::updateTime(void)");
    }
}

uint MainWindow::playingSingerId() const
{
    if (!g_pSongPlayHandler || !g_pSingerHandler)
        return 0;
    const QString artist = g_pSongPlayHandler->m_curSong.artist;
    if (artist.isEmpty())
        return 0;
    bool ok = false;
    const uint id = g_pSingerHandler->getSingerIdfromName(artist).toUInt(&ok);
    return ok ? id : 0;
}

void MainWindow::stopElapsedTimer()
{
    m_pTimerUpdateTime->stop();
}

// ---- What the playback controller tells the panel ----

void MainWindow::dealWithPlayStarted()
{
    // A fade-out of the previous song must not pause or seek the new one.
    cancelFadeOut();
    if (g_bEqOn && m_pEqWidget)
        m_pEqWidget->attachEqEffects();
    m_bPaused = false;
    showPlayButtons(true);
    emit playStarted();
    m_pTimerUpdateTime->start(1000);
    if (BASS_GetConfig(BASS_CONFIG_GVOL_STREAM) != DWORD(m_pVolumeSlider->value()))
        setVolume(m_pVolumeSlider->value());
}

void MainWindow::resetPlayingInfo()
{
    cancelFadeOut();
    m_bPaused = false;
    if (g_pDesktopLrc)
        g_pDesktopLrc->loadLrcFile(QString());
    const QString welcome = tr("欢迎使用澜韵音乐");
    m_pTitleLabel->setText(welcome);
    if (g_pTrayWgt)
        g_pTrayWgt->setTitle(welcome);
    if (g_nPlayingListId == PlayingListId::kPlayQueue)
        g_playListSeam()->closeCurDisplayingEditor();
    else if (g_nPlayingListId == PlayingListId::kRecentlyPlayed ||
             g_nPlayingListId == PlayingListId::kMostPlayed)
        g_playListSeam()->clearCurPlayingRow(g_nPlayingListId);
    showPlayButtons(false);
    m_pBtnLove->setChecked(false);
    if (g_pMiniWgt)
        g_pMiniWgt->m_pbtnLove->setChecked(false);
    if (g_pAlbumPicHandler)
        g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
}

void MainWindow::changeNetplayStatus(int nStatus, const QString &s)
{
    QLabel *mini = miniTitle();
    QString miniText = mini ? mini->text() : QString();
    switch (nStatus) {
    case NetplayStatus::kPreparing:
    case NetplayStatus::kBuffering: {
        const QString name = elided(m_pTitleLabel, s, kTitleWidth);
        m_pTitleLabel->setText(g_parseBufferingText(name));
        if (nStatus == NetplayStatus::kBuffering)
            qCDebug(lcApp) << "播放--------------case:" << nStatus << m_pTitleLabel->text();
        miniText = mini ? elided(mini, s, kMiniTitleWidth) : s;
        break;
    }
    case NetplayStatus::kAskingAddress:
        m_pTitleLabel->setText(tr("获取歌曲信息..."));
        miniText = tr("获取歌曲信息...");
        break;
    case NetplayStatus::kPlaying: {
        QString text = g_parseBufferingText(s);
        m_pTitleLabel->setToolTip(text);
        if (mini)
            mini->setToolTip(text);
        const QString radioMark = tr("[电台]");
        if (g_nPlayingListId == PlayingListId::kRadio) {
            text = radioMark + text;
        } else if (m_pTitleLabel->text().contains(radioMark)) {
            // The radio stopped for another list: its started channel pages go back to their start.
            for (FmChannelEntry &channel : m_fmChannels) {
                if (channel.bStartedByLink && channel.webView)
                    channel.webView->m_pWebView->reload();
                channel.bStartedByLink = false;
            }
        }
        m_pTitleLabel->setText(elided(m_pTitleLabel, text, kTitleWidth));
        miniText = mini ? elided(mini, text, kMiniTitleWidth) : text;
        break;
    }
    case NetplayStatus::kStopped: {
        const bool fading = m_pTimerVolAsc->isActive();
        m_pTimerVolAsc->stop();
        if (fading && !m_bMuted)
            setVolume(m_pVolumeSlider->value());
        emit playStopped();
        m_pTimerLabel->setText(QStringLiteral("00:00"));
        m_pSliderProg->setValue(0);
        m_pSliderProg->setCurValue(0);
        break;
    }
    default:
        qCDebug(lcApp) << "unhandled netplay status" << nStatus;
        return;
    }
    if (mini)
        mini->setText(miniText);
    if (g_pTrayWgt)
        g_pTrayWgt->setTitle(miniText);
}

void MainWindow::changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong)
{
    if (PlayingListId::isPage(g_nPlayingListId))
        g_playListSeam()->changePLCurPlayingNetSongDur(g_nPlayingListId, sDur, sLocalSong);
    else if (g_nPlayingListId == PlayingListId::kRadio && g_pRadioPlayHandler)
        g_pRadioPlayHandler->changePLCurPlayingNetSongDur(sDur, sLocalSong);
}

void MainWindow::addsongtoRecentlists(int nReason)
{
    try {
        if (nReason != 0 || g_nPlayingListId != PlayingListId::kPlayQueue)
            return;
        if (const QStandardItem *item = m_pPlaylistAll->getCurPlayingItem()) {
            m_pPlaylistRecent->addPlayedSong(item);
            m_pPlaylistChart->addPlayCount(item);
        }
    } catch (...) {
        g_writeExceptionLog("void __thiscall MainWindow::addsongtoRecentlists(int)");
    }
}

// ---- Play modes ----

void MainWindow::setPlayMode(QAction *action)
{
    int mode;
    if (action == m_pActModeSingle)
        mode = 0;
    else if (action == m_pActModeOrder)
        mode = 2;
    else if (action == m_pActModeRandom)
        mode = 3;
    else
        return;
    g_nPlayMode = mode;
    showOnePlayModeBtn(mode);
    m_pPlayModeWgt->setCheckedMode(mode);
}

void MainWindow::showPlayModeBtn(QAction *action)
{
    if (action == m_pActModeSingle)
        showOnePlayModeBtn(0);
    else if (action == m_pActModeOrder)
        showOnePlayModeBtn(2);
    else if (action == m_pActModeRandom)
        showOnePlayModeBtn(3);
}

void MainWindow::showOnePlayModeBtn(int mode)
{
    // Mode 1 (in order, no wrap) has no button of its own: whatever shows stays.
    if (mode != 0 && mode != 2 && mode != 3)
        return;
    m_pBtnModeSC->setVisible(mode == 0);
    m_pBtnModeAC->setVisible(mode == 2);
    m_pBtnModeR->setVisible(mode == 3);
}

void MainWindow::setPlayModeActionCheckState(int mode)
{
    QAction *action = mode == 0   ? m_pActModeSingle
                      : mode == 2 ? m_pActModeOrder
                      : mode == 3 ? m_pActModeRandom
                                  : nullptr;
    if (action) {
        action->setChecked(true); // the group unchecks the others
        return;
    }
    // No action stands for this mode: an exclusive group lets its checked action go only while it
    // allows none.
    m_pPlayModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    if (QAction *checked = m_pPlayModeGroup->checkedAction())
        checked->setChecked(false);
    m_pPlayModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
}
