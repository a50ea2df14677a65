// The mini player and the tray pop-up on the real main window, against the fake web service,
// under Xvfb: the mini player's controls on hover, its dragging, favourite and stay-on-top; the
// tray pop-up's focus, hover icons, placement, shadow, and its quit, which runs the program's
// quit path (last: it ends the event loop and frees the window's services). Saves screenshots
// into <build>/screenshots.
//
// The suite builds its own mini player with the window as parent, so it does not depend on how
// the window makes g_pMiniWgt, and the tray pop-up is the window's own g_pTrayWgt.

#include "MainWindowHarness.h"
#include "WindowScreenshots.h"
#include "app/kvrTrayWgt.h"
#include "app/miniWgt.h"
#include "services/core/MyIni.h"
#include "services/pictures/PictureConstants.h"
#include "services/pictures/albumPicHandler.h"
#include "services/playback/PlaybackGlobals.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/kvrCompositor.h"

#include <QAction>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

namespace {

QString screenshotFile(const QString &name)
{
    const QString folder = QStringLiteral(KVR_BINARY_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    const bool doubled = qgetenv("QT_SCALE_FACTOR") == "2";
    return folder + u'/' + name + (doubled ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

void sendEnter(QWidget *widget)
{
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent enter(inside, inside, widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &enter);
}

void sendLeave(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &global)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(widget->mapFromGlobal(global)), QPointF(global), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(16, 16)).toImage();
}

} // namespace

class tst_MiniPlayer : public QObject
{
    Q_OBJECT

private:
    MainWindowHarness m_h;
    std::unique_ptr<MainWindow> &m_window = m_h.window;
    QPointer<miniWgt> m_mini;
    QToolButton *m_backButton = nullptr;
    QLabel *m_windowsMiniPicture = nullptr;

    // The seven buttons the pointer brings and takes away.
    QList<QWidget *> hoverButtons() const
    {
        return {m_mini->m_pbtnMin, m_backButton,       m_mini->m_pbtnClose, m_mini->m_pTbPrev,
                m_mini->m_pTbPlay, m_mini->m_pTbPause, m_mini->m_pTbNext};
    }

private slots:
    void initTestCase()
    {
        // Xvfb has no compositor: the tray pop-up is built see-through, as on a desktop that has one.
        qputenv("KVR_COMPOSITOR", "1");
        kvrForgetCompositor();
        QVERIFY(m_h.prepare());
        QVERIFY(m_h.makeWindow());
        QVERIFY(g_pTrayWgt);

        m_windowsMiniPicture = g_pUIRelated->m_pLabelMiniAlbumPic;
        auto *lrcButton = new QToolButton;
        lrcButton->setObjectName(QStringLiteral("miniTBLrc"));
        m_backButton = new QToolButton;
        m_backButton->setObjectName(QStringLiteral("btnToggleMiniC"));
        m_backButton->setToolTip(QStringLiteral("切换到普通模式"));
        m_mini = new miniWgt(m_window.get(), lrcButton, m_backButton);
        m_mini->setGeometry(100, 100, 300, 30);
        m_mini->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_mini));
    }

    void cleanupTestCase()
    {
        delete m_mini;
        if (g_pUIRelated)
            g_pUIRelated->m_pLabelMiniAlbumPic = m_windowsMiniPicture;
        if (!m_window)
            return;
        m_window->freeMem();
        m_window.reset();
    }

    void miniJoinsTheWindow()
    {
        QCOMPARE(m_mini->windowFlags() & (Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
                 Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        QCOMPARE(m_mini->m_miniLabelTitle->text(), QStringLiteral("欢迎使用澜韵音乐"));
        QVERIFY(m_mini->m_pbtnLove->isCheckable());
        // The lyric switch has no place here: kept, never shown, and no window of its own.
        auto *lrc = m_mini->findChild<QToolButton *>(QStringLiteral("miniTBLrc"));
        QVERIFY(lrc);
        QVERIFY(lrc->isHidden());
        QCOMPARE(m_backButton->window(), m_mini.data());

        // The album-picture cache reaches the mini player's label through the UI-relations object.
        QCOMPARE(g_pUIRelated->m_pLabelMiniAlbumPic, m_mini->m_plabelMiniAlbumPic);
        g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
        QCOMPARE(m_mini->m_plabelMiniAlbumPic->pixmap().size(), QSize(70, 70));

        // The menu holds the window's own play-mode and quit actions.
        const QList<QAction *> actions = m_mini->m_pMenu->actions();
        QCOMPARE(actions.size(), 3);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("总在最前"));
        QVERIFY(actions.at(0)->isChecked());
        QCOMPARE(actions.at(1)->text(), QStringLiteral("播放模式"));
        QCOMPARE(actions.at(1)->menu()->actions(),
                 (QList<QAction *>{m_window->m_pActModeSingle, m_window->m_pActModeOrder,
                                   m_window->m_pActModeRandom}));
        QCOMPARE(actions.at(2), m_window->m_pActQuit);
        QCOMPARE(m_mini->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void miniHover_data()
    {
        QTest::addColumn<quint32>("stream");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("playShown");
        QTest::newRow("nothing plays") << quint32(0) << false << true;
        QTest::newRow("nothing plays, paused flag left over") << quint32(0) << true << true;
        QTest::newRow("playing") << quint32(0x80000001) << false << false;
        QTest::newRow("paused") << quint32(0x80000001) << true << true;
    }

    void miniHover()
    {
        QFETCH(quint32, stream);
        QFETCH(bool, paused);
        QFETCH(bool, playShown);

        m_mini->changeLrcLine(QStringLiteral("风吹过山岗"));
        sendLeave(m_mini);
        for (QWidget *button : hoverButtons())
            QVERIFY2(!button->isVisible(), qPrintable(button->objectName()));
        QVERIFY(m_mini->m_plabelMiniLrc->isVisible());
        QCOMPARE(m_mini->m_plabelMiniLrc->text(), QStringLiteral("风吹过山岗"));
        QVERIFY(m_mini->m_pbtnLove->isVisible());

        // The handle is never used: nothing runs between setting it and taking it back.
        const bool wasPaused = m_window->m_bPaused;
        g_hStream = stream;
        m_window->m_bPaused = paused;
        sendEnter(m_mini);
        g_hStream = 0;
        m_window->m_bPaused = wasPaused;

        QCOMPARE(m_mini->m_pTbPlay->isVisible(), playShown);
        QCOMPARE(m_mini->m_pTbPause->isVisible(), !playShown);
        const QList<QWidget *> shown{m_mini->m_pbtnMin, m_backButton, m_mini->m_pbtnClose, m_mini->m_pTbPrev,
                                     m_mini->m_pTbNext};
        for (QWidget *button : shown)
            QVERIFY2(button->isVisible(), qPrintable(button->objectName()));
        QVERIFY(!m_mini->m_plabelMiniLrc->isVisible());
    }

    void miniSpaceClicksTheShownButton()
    {
        // Both reach the window's play and pause; cut here, so the test plays nothing.
        QVERIFY(
            disconnect(m_mini->m_pTbPlay, &QToolButton::clicked, m_window.get(), &MainWindow::resumeOrPause));
        QVERIFY(disconnect(m_mini->m_pTbPause, &QToolButton::clicked, m_window.get(),
                           &MainWindow::resumeOrPause));
        sendEnter(m_mini);
        QVERIFY(m_mini->m_pTbPlay->isVisible());
        m_mini->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_mini));
        QSignalSpy play(m_mini->m_pTbPlay, &QToolButton::clicked);
        QSignalSpy pause(m_mini->m_pTbPause, &QToolButton::clicked);
        QTest::keyClick(m_mini, Qt::Key_Space);
        QCOMPARE(play.size(), 1);
        QCOMPARE(pause.size(), 0);
        // With the controls gone (the pointer is away) Space does nothing.
        sendLeave(m_mini);
        QTest::keyClick(m_mini, Qt::Key_Space);
        QCOMPARE(play.size(), 1);
        QCOMPARE(pause.size(), 0);
        sendEnter(m_mini);
    }

    void miniDrag()
    {
        m_mini->move(100, 100);
        QTRY_COMPARE(m_mini->pos(), QPoint(100, 100));
        const QPoint press(110, 112);
        sendMouse(m_mini, QEvent::MouseButtonPress, press);
        sendMouse(m_mini, QEvent::MouseMove, press + QPoint(50, 20));
        QCOMPARE(m_mini->pos(), QPoint(150, 120));
        // Leaving during the drag swaps the controls for the lyric line; the drag goes on, with no
        // button test and no clamp to the screen.
        sendLeave(m_mini);
        QVERIFY(m_mini->m_plabelMiniLrc->isVisible());
        QVERIFY(!m_mini->m_pTbPrev->isVisible());
        sendMouse(m_mini, QEvent::MouseMove, press + QPoint(-500, -400));
        QCOMPARE(m_mini->pos(), QPoint(-400, -300));
        sendMouse(m_mini, QEvent::MouseButtonRelease, press + QPoint(-500, -400));
        // Released: moving the pointer moves nothing.
        sendMouse(m_mini, QEvent::MouseMove, press);
        QCOMPARE(m_mini->pos(), QPoint(-400, -300));
        m_mini->move(100, 100);
        sendEnter(m_mini);
    }

    void miniDoubleClickGoesBack()
    {
        m_window->hide();
        const QPoint at = m_mini->mapToGlobal(QPoint(5, 5));
        sendMouse(m_mini, QEvent::MouseButtonDblClick, at);
        sendMouse(m_mini, QEvent::MouseButtonRelease, at);
        QVERIFY(m_window->isVisible());
    }

    void miniFavourite_data()
    {
        QTest::addColumn<QString>("memberId");
        QTest::addColumn<bool>("checkedAfter");
        QTest::newRow("logged out") << QString() << false;
        QTest::newRow("logged in") << QStringLiteral("312") << true;
    }

    void miniFavourite()
    {
        QFETCH(QString, memberId);
        QFETCH(bool, checkedAfter);
        const QString was = g_sMemberId;
        g_sMemberId = memberId;
        m_mini->m_pbtnLove->setChecked(false);
        QSignalSpy mainLove(m_window->m_pBtnLove, &QToolButton::clicked);
        QTest::mouseClick(m_mini->m_pbtnLove, Qt::LeftButton);
        g_sMemberId = was;
        QCOMPARE(m_mini->m_pbtnLove->isChecked(), checkedAfter);
        // The main window's own favourite button runs its action (and asks for a login).
        QCOMPARE(mainLove.size(), 1);
        m_mini->m_pbtnLove->setChecked(false);
    }

    void miniTopMost()
    {
        for (const bool on : {false, true}) {
            m_mini->m_pActTopMost->setChecked(on);
            emit m_mini->m_pActTopMost->triggered(on);
            QVERIFY(m_mini->isVisible());
            QVERIFY(m_mini->windowFlags().testFlag(Qt::Window));
            QVERIFY(m_mini->windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(m_mini->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
        }
        QVERIFY(QTest::qWaitForWindowExposed(m_mini));
    }

    void trayPlacement_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1280, 1000);
        QTest::newRow("tray at the bottom right")
            << QRect(1200, 976, 24, 24) << QPoint(1, 1) << screen << QPoint(1200 - 180, 976 - 280);
        QTest::newRow("no icon place: the cursor stands in")
            << QRect() << QPoint(640, 500) << screen << QPoint(460, 220);
        QTest::newRow("tray along the top")
            << QRect(1250, 0, 24, 24) << QPoint(1, 1) << screen << QPoint(1070, 0);
        QTest::newRow("cursor in the top left corner") << QRect() << QPoint(5, 5) << screen << QPoint(0, 0);
        QTest::newRow("below a top panel")
            << QRect() << QPoint(1279, 40) << QRect(0, 30, 1280, 970) << QPoint(1080, 30);
        QTest::newRow("screen to the right")
            << QRect() << QPoint(1290, 10) << QRect(1280, 0, 1280, 1000) << QPoint(1280, 0);
    }

    void trayPlacement()
    {
        QFETCH(QRect, icon);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        QCOMPARE(kvrTrayWgt::placeFor(icon, cursor, QSize(200, 300), available), expected);
    }

    void trayShowsAtTheCursor()
    {
        kvrTrayWgt *tray = g_pTrayWgt;
        // Xvfb has no tray: the icon reports no place, and the pop-up opens at the pointer.
        QVERIFY(m_window->m_pTrayIcon->geometry().isEmpty());
        QCursor::setPos(900, 800);
        QTRY_COMPARE(QCursor::pos(), QPoint(900, 800));
        tray->show();
        QVERIFY(QTest::qWaitForWindowExposed(tray));
        QCOMPARE(tray->pos(), QPoint(900 - tray->width() + 20, 800 - tray->height() + 20));
        tray->hide();
    }

    void trayFocusOut()
    {
        kvrTrayWgt *tray = g_pTrayWgt;
        tray->show();
        QVERIFY(QTest::qWaitForWindowExposed(tray));
        // The pop-up takes the focus itself, a moment after it shows.
        QTRY_VERIFY(tray->hasFocus());
        QVERIFY(tray->isActiveWindow());

        // Dragging the volume: the slider holds the focus, then hands it back; the pop-up stays.
        tray->m_slider->setFocus(Qt::MouseFocusReason);
        QVERIFY(tray->m_slider->hasFocus());
        QVERIFY(tray->isVisible());
        tray->m_slider->setValue(tray->m_slider->value() == 6000 ? 7000 : 6000);
        QVERIFY(tray->hasFocus());
        QVERIFY(tray->isVisible());

        // A click on another window takes the focus away: the pop-up hides.
        m_window->activateWindow();
        QTRY_VERIFY(!tray->isVisible());
    }

    void trayHoverIcons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("normal");
        QTest::addColumn<QString>("hovered");
        QTest::newRow("settings") << QStringLiteral("kvrTrayWgtm_tbConfig")
                                  << QStringLiteral(":/qss/debug/images/btnimage/mu/icon_set1.png")
                                  << QStringLiteral(":/qss/debug/images/btnimage/mu/icon_set2.png");
        QTest::newRow("quit") << QStringLiteral("kvrTrayWgtm_tbQuit")
                              << QStringLiteral(":/qss/debug/images/btnimage/mu/icon_quit1.png")
                              << QStringLiteral(":/qss/debug/images/btnimage/mu/icon_quit2.png");
    }

    void trayHoverIcons()
    {
        QFETCH(QString, name);
        QFETCH(QString, normal);
        QFETCH(QString, hovered);
        QVERIFY(QFile::exists(normal));
        QVERIFY(QFile::exists(hovered));
        QVERIFY(iconImage(QIcon(normal)) != iconImage(QIcon(hovered)));
        auto *button = g_pTrayWgt->findChild<QToolButton *>(name);
        QVERIFY(button);
        QCOMPARE(iconImage(button->icon()), iconImage(QIcon(normal)));
        QSignalSpy clicked(button, &QToolButton::clicked);
        sendEnter(button);
        QCOMPARE(iconImage(button->icon()), iconImage(QIcon(hovered)));
        sendLeave(button);
        QCOMPARE(iconImage(button->icon()), iconImage(QIcon(normal)));
        QCOMPARE(clicked.size(), 0);
    }

    void trayShadow()
    {
        kvrTrayWgt *tray = g_pTrayWgt;
        QVERIFY(tray->testAttribute(Qt::WA_TranslucentBackground));
        tray->adjustSize();
        const QImage shot = tray->grab().toImage();
        const qreal dpr = shot.devicePixelRatio();
        const int y = int(tray->height() / 2 * dpr);
        const auto alphaAt = [&](int x) { return qAlpha(shot.pixel(int(x * dpr), y)); };
        // Left of the content (20 pixels in) the body is bare.
        QCOMPARE(shot.pixel(int(14 * dpr), y), qRgb(255, 255, 255));
        // The body starts 9 pixels in; the shadow fades from it to the window's edge, where it is
        // faint but there.
        QCOMPARE(alphaAt(9), 255);
        QVERIFY2(alphaAt(0) > 0 && alphaAt(0) < 40, qPrintable(QString::number(alphaAt(0))));
        for (int x = 0; x < 8; ++x)
            QVERIFY2(alphaAt(x) <= alphaAt(x + 1), qPrintable(QString::number(x)));
        QVERIFY(alphaAt(7) > alphaAt(1));
    }

    // Without a compositor, and without the main window: opaque, no shadow ring, no connections.
    void builtAloneWithoutCompositor()
    {
        qputenv("KVR_COMPOSITOR", "0");
        kvrForgetCompositor();
        kvrTrayWgt tray;
        qputenv("KVR_COMPOSITOR", "1");
        kvrForgetCompositor();
        QVERIFY(!tray.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(tray.layout()->contentsMargins(), QMargins(11, 5, 11, 5));
        tray.adjustSize();
        const QImage shot = tray.grab().toImage();
        QCOMPARE(qAlpha(shot.pixel(0, 0)), 255);
        QCOMPARE(qAlpha(shot.pixel(shot.width() / 2, shot.height() / 2)), 255);
        tray.m_tbSwitchMini->click();
        tray.m_tbSwitchDeskLrc->click();

        {
            miniWgt mini(nullptr, nullptr, nullptr);
            mini.m_pbtnLove->click();
            QVERIFY(!mini.m_pbtnLove->isChecked());
            QVERIFY(mini.m_pMenu->actions().at(1)->menu()->actions().isEmpty());
            sendEnter(&mini);
            sendLeave(&mini);
        }
        // The lone one took the album picture's place and gave it up when it went.
        QCOMPARE(g_pUIRelated->m_pLabelMiniAlbumPic, nullptr);
        g_pUIRelated->m_pLabelMiniAlbumPic = m_mini->m_plabelMiniAlbumPic;
    }

    void screenshots()
    {
        g_pAlbumPicHandler->loadAlbumPic(AlbumPicSource::kDefault, QString(), nullptr);
        m_mini->m_miniLabelTitle->setText(QStringLiteral("播放:晚风 - 林间乐队"));
        m_mini->changeLrcLine(QStringLiteral("晚风吹过一整片麦田"));
        sendEnter(m_mini);
        QTest::qWait(100);
        QVERIFY(WindowScreenshots::onBackdrop(m_mini->grab(), 16)
                    .save(screenshotFile(QStringLiteral("miniplayer"))));
        sendLeave(m_mini);
        QTest::qWait(100);
        QVERIFY(WindowScreenshots::onBackdrop(m_mini->grab(), 16)
                    .save(screenshotFile(QStringLiteral("miniplayer-lyric"))));
        sendEnter(m_mini);

        kvrTrayWgt *tray = g_pTrayWgt;
        tray->setTitle(QStringLiteral("晚风 - 林间乐队"));
        tray->show();
        QVERIFY(QTest::qWaitForWindowExposed(tray));
        QTest::qWait(100);
        QVERIFY(WindowScreenshots::onBackdrop(tray->grab(), 16)
                    .save(screenshotFile(QStringLiteral("traypopup"))));
        tray->hide();
    }

    // Last: it ends the event loop, and the window frees its services on the way out.
    void trayQuitRunsTheQuitPath()
    {
        kvrTrayWgt *tray = g_pTrayWgt;
        m_window->m_pVolumeSlider->setValue(4321);
        QCOMPARE(tray->m_slider->value(), 4321);
        QVERIFY(m_window->m_pTrayIcon->isVisible());
        // The window waits in the tray: no close request on the way out reaches its own quit.
        m_window->hide();
        tray->show();
        QVERIFY(QTest::qWaitForWindowExposed(tray));

        // Nothing else ends this loop: when the quit is not asked for, or refused, the guard does.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        guard.start(30000);
        QTimer::singleShot(0, tray->m_tbQuit, &QToolButton::click);
        const int code = QCoreApplication::exec();
        QCOMPARE(code, 0);

        QVERIFY(!tray->isVisible());
        QVERIFY(!m_window->m_pTrayIcon->isVisible());
        QVERIFY(!m_window->isVisible());
        QCOMPARE(MyIni(nullptr, g_sDataDir + QStringLiteral("/configu.ini")).value(QStringLiteral("vol")),
                 QStringLiteral("4321"));
    }
};

QTEST_MAIN(tst_MiniPlayer)
#include "tst_miniplayer.moc"
