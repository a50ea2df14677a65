// The play panel driving real songs on the silent device through the real main window: the busy
// guard, play and pause with and without fades, seek, volume and mute, the play modes, the mini
// player and back, closing and quitting, and the timed shutdown's last tick. The play queue is
// the engine's test queue until the queue page exists; everything else is the program's own.

#include "MainWindowHarness.h"
#include "PlaybackTestSupport.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "audio/kvraudio.h"
#include "lyrics/desktopLrc.h"
#include "online/WgtSkinSet.h"
#include "platform/PowerOff.h"
#include "services/core/MyIni.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/songplayHandler.h"
#include "shell/PlayModeWgt.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/kvrSlideProg.h"
#include "shell/volButton.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

namespace {

DWORD streamVolume()
{
    return BASS_GetConfig(BASS_CONFIG_GVOL_STREAM);
}

double positionSeconds()
{
    const quint32 stream = g_hStream.load();
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

// The position of a paused stream once the sound already in the device has been heard.
double pausedPosition()
{
    QTest::qWait(200);
    return positionSeconds();
}

} // namespace

class tst_PlayControl : public QObject
{
    Q_OBJECT

private:
    MainWindowHarness m_h;
    TestPlayQueue m_queue;
    std::unique_ptr<ScopedSeam<PlayListSeam>> m_installedQueue;

    MainWindow *window() const { return m_h.window.get(); }

    // Plays queue row `row` from the start and waits until it sounds, with the guard free again.
    void playRow(int row)
    {
        const quint32 before = g_hStream.load();
        m_queue.playTheListSong(row);
        QTRY_VERIFY(g_hStream.load() != 0 && g_hStream.load() != before);
        QTRY_VERIFY(!window()->m_pBtnPause->isHidden());
        QTRY_VERIFY(!window()->m_bBusy);
    }

    void settle()
    {
        // The guard and any fade end within a second.
        QTRY_VERIFY_WITH_TIMEOUT(!window()->m_bBusy, 3000);
    }

    QString userValue(const QString &key) const
    {
        return MyIni(nullptr, g_sDataDir + QStringLiteral("/configu.ini")).value(key);
    }

    // Answers the quit question that is about to open: quit or tray, and "不再询问" or not.
    void answerQuitQuestion(bool quit, bool noMoreAsk, bool accept = true)
    {
        QTimer::singleShot(50, this, [=] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY2(box, "no question open");
            const QString choice =
                quit ? QStringLiteral("退出程序") : QStringLiteral("最小化到托盘，不退出程序");
            for (QRadioButton *radio : box->findChildren<QRadioButton *>()) {
                if (radio->text() == choice)
                    radio->setChecked(true);
            }
            for (QCheckBox *check : box->findChildren<QCheckBox *>())
                check->setChecked(noMoreAsk);
            if (!accept) {
                static_cast<QDialog *>(box)->reject();
                return;
            }
            auto *ok = box->findChild<QAbstractButton *>(QStringLiteral("quithintdlg_toolButton_ok"));
            QVERIFY(ok);
            ok->click();
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_h.prepare());
        // Long enough to keep playing through a test; the ten-second one is for seeking.
        const QString songs = m_h.dir.filePath(QStringLiteral("songs"));
        QVERIFY(QDir().mkpath(songs));
        const QStringList titles{QStringLiteral("十秒"), QStringLiteral("第二首"), QStringLiteral("第三首")};
        for (int i = 0; i < titles.size(); ++i) {
            const QString path = songs + QStringLiteral("/%1.mp3").arg(i);
            QVERIFY(makeToneMp3(path, i == 0 ? 10 : 60, 440 + 110 * i));
            m_queue.addRow(
                localRow(path, titles.at(i), i == 0 ? QStringLiteral("00:10") : QStringLiteral("01:00")));
        }
        QVERIFY(m_h.makeWindow());
        // The panel's tests drive a queue of their own in place of the window's pages.
        m_installedQueue = std::make_unique<ScopedSeam<PlayListSeam>>(&m_queue);
        window()->m_pVolumeSlider->setValue(6000);
    }

    void cleanupTestCase()
    {
        if (m_h.window)
            m_h.window->freeMem();
        m_h.window.reset();
        m_installedQueue.reset();
    }

    void init()
    {
        g_bFadeInOut = false;
        m_queue.mode = 2;
        settle();
    }

    void panelAtStart()
    {
        MainWindow *w = window();
        QVERIFY(w->m_pBtnPause->isHidden());
        QVERIFY(!w->m_pBtnPlay->isHidden());
        QCOMPARE(w->m_pTimerLabel->text(), QStringLiteral("00:00"));
        QCOMPARE(w->m_pTitleLabel->text(), QStringLiteral("欢迎使用澜韵音乐"));
        // A first start has no saved place for the mini player.
        QCOMPARE(g_pMiniWgt->geometry(), QRect(20, 20, 300, 30));
        // Nothing loaded and an empty queue page: play does nothing.
        w->resumeOrPause();
        QCOMPARE(g_hStream.load(), 0u);
    }

    void busyGuardDropsQuickRepeats()
    {
        playRow(1);
        const int before = m_queue.chosen.size();
        window()->m_pBtnNext->click();
        window()->m_pBtnNext->click();
        QTRY_COMPARE(m_queue.chosen.size(), before + 1);
        QTest::qWait(100);
        QCOMPARE(m_queue.chosen.size(), before + 1);
        QTest::qWait(900);
        window()->m_pBtnNext->click();
        QTRY_COMPARE(m_queue.chosen.size(), before + 2);
        // The previous song goes through the same guard.
        window()->m_pBtnPrev->click();
        window()->m_pBtnPrev->click();
        QTRY_COMPARE(m_queue.chosen.size(), before + 2);
        QTest::qWait(900);
        window()->m_pBtnPrev->click();
        QTRY_COMPARE(m_queue.chosen.size(), before + 3);
    }

    void spaceTogglesPlayAndPause()
    {
        playRow(1);
        MainWindow *w = window();
        w->activateWindow();
        QTRY_VERIFY(w->isActiveWindow());
        QSignalSpy paused(w, &MainWindow::playPaused);
        QSignalSpy started(w, &MainWindow::playStarted);
        QTest::keyClick(w, Qt::Key_Space);
        QTRY_COMPARE(paused.count(), 1);
        QVERIFY(w->isPaused());
        QVERIFY(!w->m_pBtnPlay->isHidden());
        QVERIFY(w->m_pBtnPause->isHidden());
        QVERIFY(!g_pTrayWgt->m_tbPlay->isHidden());
        QVERIFY(g_pTrayWgt->m_tbPause->isHidden());
        const double at = pausedPosition();
        QTest::qWait(300);
        QCOMPARE(positionSeconds(), at);
        settle();
        QTest::keyClick(w, Qt::Key_Space);
        QTRY_COMPARE(started.count(), 1);
        QVERIFY(!w->isPaused());
        QVERIFY(!w->m_pBtnPause->isHidden());
        QVERIFY(!g_pTrayWgt->m_tbPause->isHidden());
        QTRY_VERIFY(positionSeconds() > at);
    }

    void fadesFollowTheirTables()
    {
        playRow(1);
        MainWindow *w = window();
        g_bFadeInOut = true;
        QList<DWORD> down;
        QList<DWORD> up;
        auto downWatch = connect(w->m_pTimerVolDesc, &QTimer::timeout, this, [&] { down << streamVolume(); });
        auto upWatch = connect(w->m_pTimerVolAsc, &QTimer::timeout, this, [&] { up << streamVolume(); });
        QSignalSpy paused(w, &MainWindow::playPaused);

        w->resumeOrPause();
        // The play button shows at once; the pause itself waits for the sixth step.
        QVERIFY(!w->m_pBtnPlay->isHidden());
        QVERIFY(!w->isPaused());
        QTRY_COMPARE(paused.count(), 1);
        QCOMPARE(down, (QList<DWORD>{5000, 4000, 3000, 2000, 1000, 1}));
        QVERIFY(w->isPaused());
        const double at = pausedPosition();
        QTest::qWait(200);
        QCOMPARE(positionSeconds(), at);

        settle();
        w->resumeOrPause();
        QTRY_COMPARE(up.size(), 6);
        QCOMPARE(up, (QList<DWORD>{1000, 2000, 3000, 4000, 5000, 6000}));

        // With fades switched off while paused, resuming still gives the sound its volume back.
        settle();
        w->resumeOrPause();
        QTRY_COMPARE(paused.count(), 2);
        QCOMPARE(streamVolume(), DWORD(1));
        g_bFadeInOut = false;
        settle();
        w->resumeOrPause();
        QCOMPARE(streamVolume(), DWORD(6000));
        disconnect(downWatch);
        disconnect(upWatch);
    }

    void fadedSeekWaitsForTheFadeOut()
    {
        playRow(1);
        MainWindow *w = window();
        g_bFadeInOut = true;
        QTRY_VERIFY(positionSeconds() > 0.1);
        int stepsAtSeek = -1;
        auto watch = connect(w->m_pTimerVolDesc, &QTimer::timeout, this, [&] {
            if (stepsAtSeek < 0 && positionSeconds() > 25)
                stepsAtSeek = w->m_nVolDescStep;
        });
        w->DealWithSliderPosChange(500);
        QVERIFY(w->m_bSeekAfterFade);
        QVERIFY(positionSeconds() < 25);
        QTRY_VERIFY(!w->m_bSeekAfterFade);
        QVERIFY(qAbs(positionSeconds() - 30) < 1.0);
        QCOMPARE(stepsAtSeek, 6); // moved only by the last step
        QVERIFY(!w->isPaused());
        disconnect(watch);
        // The guard holds through the fade and another 800 ms.
        QVERIFY(w->m_bBusy);
    }

    void seekLandsOnThePermille()
    {
        playRow(0);
        MainWindow *w = window();
        w->DealWithSliderPosChange(500);
        QVERIFY(qAbs(positionSeconds() - 5.0) <= 0.1);
        QVERIFY(!w->m_pSliderProg->isSeekPending());
        // Within the guard a second seek is dropped and the handle is the display's again.
        w->m_pSliderProg->setSeekPending(true);
        w->DealWithSliderPosChange(100);
        QVERIFY(positionSeconds() > 4.9);
        QVERIFY(!w->m_pSliderProg->isSeekPending());

        // The tick shows the position on the handle and the clock.
        w->updateTime();
        QCOMPARE(w->m_pTimerLabel->text(), QStringLiteral("00:05"));
        QVERIFY(qAbs(w->m_pSliderProg->curValue() - 500) <= 10);

        // The very end is the next song.
        settle();
        const int before = m_queue.chosen.size();
        w->DealWithSliderPosChange(1000);
        QTRY_COMPARE(m_queue.chosen.size(), before + 1);
    }

    void streamedSongSeeksOnlyWhereItArrived()
    {
        playRow(1);
        MainWindow *w = window();
        // Seen as a streamed song two-fifths arrived.
        g_nSongSourceKind = SongSourceKind::kNetwork;
        w->m_nDownloadPermille = 300;
        const double at = positionSeconds();
        w->DealWithSliderPosChange(400);
        QVERIFY(positionSeconds() < at + 1);
        w->m_nDownloadPermille = 500;
        w->DealWithSliderPosChange(481);
        QVERIFY(positionSeconds() < at + 1);
        w->DealWithSliderPosChange(480);
        QVERIFY(qAbs(positionSeconds() - 28.8) < 0.2);
        g_nSongSourceKind = SongSourceKind::kFile;
    }

    void volumeMuteAndKeys()
    {
        playRow(1);
        MainWindow *w = window();
        w->m_pVolumeSlider->setValue(0);
        QVERIFY(!w->m_pBtnMute->isHidden());
        QVERIFY(w->m_pBtnUnmute->isHidden());
        QCOMPARE(streamVolume(), DWORD(0));
        QCOMPARE(g_pTrayWgt->m_slider->value(), 0);

        struct Step
        {
            int from;
            Qt::Key key;
            int to;
        };
        for (const Step &step : {Step{400, Qt::Key_Down, 0}, Step{9800, Qt::Key_Up, 10000},
                                 Step{5000, Qt::Key_Up, 5500}, Step{5000, Qt::Key_Down, 4500}}) {
            w->m_pVolumeSlider->setValue(step.from);
            QTest::keyRelease(w, step.key, Qt::ControlModifier);
            QCOMPARE(w->m_pVolumeSlider->value(), step.to);
            QCOMPARE(streamVolume(), DWORD(step.to));
            QCOMPARE(g_pTrayWgt->m_slider->value(), step.to);
        }
        QVERIFY(w->m_pBtnMute->isHidden());

        // The tray's slider drives the panel's.
        g_pTrayWgt->m_slider->setValue(3000);
        QCOMPARE(w->m_pVolumeSlider->value(), 3000);
        QCOMPARE(streamVolume(), DWORD(3000));

        // Mute keeps the volume to come back to; a saved 0 comes back as full volume.
        w->setMute();
        QVERIFY(w->m_bMuted);
        QCOMPARE(w->m_pVolumeSlider->value(), 0);
        QVERIFY(!w->m_pVolumeSlider->isEnabled());
        w->setMute();
        QCOMPARE(w->m_pVolumeSlider->value(), 3000);
        w->m_nSavedVolume = 0;
        w->setMute();
        w->m_nSavedVolume = 0;
        w->setMute();
        QCOMPARE(w->m_pVolumeSlider->value(), 10000);
        w->m_pVolumeSlider->setValue(6000);
    }

    void playModesAreOneGroupEverywhere()
    {
        MainWindow *w = window();
        QList<QAction *> miniModes;
        for (QAction *action : g_pMiniWgt->m_pMenu->actions()) {
            if (action->menu())
                miniModes = action->menu()->actions();
        }
        QCOMPARE(miniModes, w->m_pPlayModeGroup->actions());

        w->m_pActModeSingle->trigger();
        QCOMPARE(g_nPlayMode, 0);
        QVERIFY(!w->m_pBtnModeSC->isHidden());
        QVERIFY(w->m_pBtnModeAC->isHidden() && w->m_pBtnModeR->isHidden());
        miniModes.at(2)->trigger(); // random, from the mini player's menu
        QCOMPARE(g_nPlayMode, 3);
        QVERIFY(!w->m_pActModeSingle->isChecked());
        QVERIFY(w->m_pActModeRandom->isChecked());
        QVERIFY(!w->m_pBtnModeR->isHidden());

        // Picked in the pop-up: the menus and the button follow.
        w->m_pPlayModeWgt->setCheckedMode(2);
        emit w->m_pPlayModeWgt->playmodeChanged(2);
        QVERIFY(w->m_pActModeOrder->isChecked());
        QVERIFY(!w->m_pBtnModeAC->isHidden());

        // Mode 1 has no button and no action: nothing changes the buttons, no action is checked.
        w->setPlayModeActionCheckState(1);
        w->showOnePlayModeBtn(1);
        for (QAction *action : w->m_pPlayModeGroup->actions())
            QVERIFY(!action->isChecked());
        QVERIFY(!w->m_pBtnModeAC->isHidden());
        w->m_pActModeOrder->trigger();
    }

    void miniModeKeepsTheSong()
    {
        playRow(1);
        MainWindow *w = window();
        QTRY_VERIFY(positionSeconds() > 0.5);
        const quint32 stream = g_hStream.load();
        w->showMini();
        QVERIFY(w->m_bMiniMode);
        QTRY_VERIFY(g_pMiniWgt->isVisible());
        QVERIFY(!w->isVisible());
        QVERIFY(!g_pTrayWgt->m_tbSwitchtoNormal->isHidden());
        QVERIFY(g_pTrayWgt->m_tbSwitchMini->isHidden());
        emit g_pDesktopLrc->lrcLineChanged(QStringLiteral("月亮代表我的心"));
        QCOMPARE(g_pMiniWgt->findChild<QLabel *>(QStringLiteral("miniWgtm_plabelMiniLrc"))->text(),
                 QStringLiteral("月亮代表我的心"));
        const double at = positionSeconds();
        w->minitoMainWnd();
        QTRY_VERIFY(w->isVisible());
        QVERIFY(!g_pMiniWgt->isVisible());
        QVERIFY(!w->m_bMiniMode);
        QCOMPARE(g_hStream.load(), stream);
        QVERIFY(positionSeconds() >= at);

        // A double click in the title strip goes to mini mode; just below it does not.
        QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(977, 37));
        QVERIFY(!w->m_bMiniMode);
        QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(977, 36));
        QVERIFY(w->m_bMiniMode);
        w->minitoMainWnd();
    }

    // A skin picked from the title bar reaches the window and the mini player, and the next start
    // reads it back.
    void skinReachesBothWindowsAndComesBack()
    {
        MainWindow *w = window();
        w->findChild<QToolButton *>(QStringLiteral("btnSkin"))->click();
        QTRY_VERIFY(w->m_pWgtSkin->isVisible());
        PicLabel *mist = nullptr;
        for (PicLabel *label : w->m_pWgtSkin->findChildren<PicLabel *>()) {
            if (label->m_sImage.endsWith(QLatin1String("bg_mist_mini.png")))
                mist = label;
        }
        QVERIFY(mist);
        QTest::mouseClick(mist, Qt::LeftButton);
        const QString picture = QStringLiteral("bg_mist.png");
        QTRY_VERIFY(w->styleSheet().contains(picture));
        QVERIFY(w->styleSheet().contains(QLatin1String("#miniWgt")));
        QVERIFY(g_pMiniWgt->parentWidget() == w); // the window's sheet reaches the mini player
        QCOMPARE(w->backgroundStyleSheet(), w->styleSheet());
    }

    void stopShowsTheIdlePanel()
    {
        playRow(1);
        MainWindow *w = window();
        QSignalSpy stopped(w, &MainWindow::playStopped);
        w->changeNetplayStatus(4, QString());
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(w->m_pTimerLabel->text(), QStringLiteral("00:00"));
        QCOMPARE(w->m_pSliderProg->value(), 0);
        w->changeNetplayStatus(1, QString());
        QCOMPARE(w->m_pTitleLabel->text(), QStringLiteral("获取歌曲信息..."));
        w->resetPlayingInfo();
        QCOMPARE(w->m_pTitleLabel->text(), QStringLiteral("欢迎使用澜韵音乐"));
        QVERIFY(!w->m_pBtnPlay->isHidden());
        QVERIFY(m_queue.calls.contains(QStringLiteral("close")));
    }

    // The window playing a song, at the scale the run was given (the _2x entry doubles it).
    void screenshots()
    {
        playRow(2);
        MainWindow *w = window();
        w->changeNetplayStatus(3, QStringLiteral("测试歌手 - 第三首"));
        QTRY_VERIFY_WITH_TIMEOUT(positionSeconds() > 2.2, 10000);
        w->updateTime();
        QTest::qWait(300);
        const QString folder = QStringLiteral(KVR_BINARY_DIR) + QStringLiteral("/screenshots");
        QVERIFY(QDir().mkpath(folder));
        const QString suffix =
            qgetenv("QT_SCALE_FACTOR") == "2" ? QStringLiteral("@2x.png") : QStringLiteral(".png");
        QVERIFY(w->grab().save(folder + QStringLiteral("/mainwindow-playing") + suffix));
        QVERIFY(w->m_pPlayPanel->grab().save(folder + QStringLiteral("/playpanel-playing") + suffix));
    }

    void closeFollowsQuitHint()
    {
        MainWindow *w = window();
        // An empty value reads as a missing one.
        const auto setHint = [](const char *value) {
            MyIni(nullptr, g_sDataDir + QStringLiteral("/configu.ini"))
                .setValue(QStringLiteral("QuitHint"), QString::fromLatin1(value));
        };
        const auto reset = [w] {
            w->m_bQuitting = false;
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        };

        // "0" hides to the tray when there is one.
        MainWindow::trayAvailable() = [] { return true; };
        setHint("0");
        w->closeBtnHandler();
        QVERIFY(!w->isVisible());
        QVERIFY(!w->m_bQuitting);
        reset();

        // Without a tray a hidden window could never come back: closing quits.
        MainWindow::trayAvailable() = [] { return false; };
        w->closeBtnHandler();
        QVERIFY(w->m_bQuitting);
        reset();
        MainWindow::trayAvailable() = [] { return true; };

        // Unset: the question. Cancel does nothing, the tray answer without "不再询问" writes nothing.
        setHint(nullptr);
        answerQuitQuestion(false, false, false);
        w->closeBtnHandler();
        QVERIFY(w->isVisible());
        answerQuitQuestion(false, false);
        w->closeBtnHandler();
        QVERIFY(!w->isVisible());
        QVERIFY(userValue(QStringLiteral("QuitHint")).isEmpty());
        reset();
        answerQuitQuestion(false, true);
        w->closeBtnHandler();
        QCOMPARE(userValue(QStringLiteral("QuitHint")), QStringLiteral("0"));
        reset();

        // Quitting saves the window's settings first.
        setHint(nullptr);
        w->m_pVolumeSlider->setValue(4200);
        answerQuitQuestion(true, true);
        w->closeBtnHandler();
        QVERIFY(w->m_bQuitting);
        QCOMPARE(userValue(QStringLiteral("QuitHint")), QStringLiteral("1"));
        QCOMPARE(userValue(QStringLiteral("vol")), QStringLiteral("4200"));
        QVERIFY(g_pMiniWgt->restoreGeometry(QSettings(QStringLiteral("kvr"), QStringLiteral("vyoplayer"))
                                                .value(QStringLiteral("minigeometry"))
                                                .toByteArray()));
        reset();
        w->m_pVolumeSlider->setValue(4300);
        w->closeBtnHandler(); // "1": no question
        QVERIFY(w->m_bQuitting);
        QCOMPARE(userValue(QStringLiteral("vol")), QStringLiteral("4300"));
        reset();
        MainWindow::trayAvailable() = {};
    }

    void timedShutdownSavesFirst()
    {
        MainWindow *w = window();
        int powerOffs = 0;
        QString volumeAtPowerOff;
        g_setPowerOffCommand([&] {
            ++powerOffs;
            volumeAtPowerOff = userValue(QStringLiteral("vol"));
            return true;
        });
        w->m_pVolumeSlider->setValue(5100);
        w->m_shutdown.mode = 2;
        w->m_shutdown.secondsLeft = 1;
        w->m_pTimerGuanJi->start(1000);
        w->onTimerGuanJi();
        QCOMPARE(powerOffs, 0);
        w->onTimerGuanJi();
        QCOMPARE(powerOffs, 1);
        QCOMPARE(volumeAtPowerOff, QStringLiteral("5100"));
        QVERIFY(!w->m_pTimerGuanJi->isActive());

        // After the downloads, with no downloads: never.
        w->m_shutdown.mode = 3;
        w->onTimerGuanJi();
        QCOMPARE(powerOffs, 1);
        w->m_shutdown.mode = 1;
        g_setPowerOffCommand(nullptr);
    }
};

QTEST_MAIN(tst_PlayControl)
#include "tst_playcontrol.moc"
