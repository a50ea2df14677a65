// The toast, the seek bar, the click-to-jump slider, the volume and play-mode pop-ups, the column
// header button, the empty-list form, the UI-relations object and the custom events.

#include "KvrTry.h"
#include "platform/TimeScale.h"
#include "services/core/Globals.h"
#include "shell/CusEvent.h"
#include "shell/GlobalMainWgtUIRelated.h"
#include "shell/ListEmptyForm.h"
#include "shell/MyPushButton.h"
#include "shell/PlayModeWgt.h"
#include "shell/ShellGlobals.h"
#include "shell/SliderClick.h"
#include "shell/VolumeSliderWgt.h"
#include "shell/kvrLabelInfoHint.h"
#include "shell/kvrMainWindowActions.h"
#include "shell/kvrShellState.h"
#include "shell/kvrSlideProg.h"
#include "shell/volButton.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

// Stands in for the main window: the requests the UI-relations object forwards, and an event
// filter that counts the favourite synchronisations the custom events ask for.
class FakeMainWindow : public QWidget, public kvrMainWindowActions
{
    Q_OBJECT
public:
    QStringList requests;
    int syncs = 0;

    void showTheConfig(int page) override { requests << QStringLiteral("config %1").arg(page); }
    void closeLRC() override { requests << QStringLiteral("closeLRC"); }
    void login() override { requests << QStringLiteral("login"); }
    // What only the song-list pages ask.
    bool takeBusyGuard() override { return true; }
    void updateCountLabels(int, int) override {}
    void downloadSong(const QString &, const QString &, const QString &, const QString &, const QString &,
                      const QString &, const QString &) override
    {
    }
    bool isDownloadBusy() override { return false; }
    void dealWithWebLink(const QUrl &) override {}
    void showDownloadBadges() override {}
    QString getUsbDrives() const override { return QString(); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Type(CusEvent::SyncFavAct) ||
            event->type() == QEvent::Type(CusEvent::PostFavSync)) {
            ++syncs;
            return true;
        }
        return false;
    }
};

void sendMove(QWidget *w, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void sendRelease(QWidget *w, QPoint pos)
{
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), w->mapToGlobal(QPointF(pos)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

void sendEnter(QWidget *w)
{
    QEnterEvent enter(QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)), w->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(w, &enter);
}

// The toast's fade and visibility over time, in ms on the watch's clock: when the fade started
// (and the opacity then), and when the hint was hidden.
class ToastWatch : public QObject
{
public:
    explicit ToastWatch(kvrLabelInfoHint *hint)
        : fade(hint->findChild<QPropertyAnimation *>())
    {
        clock.start();
        QObject::connect(fade, &QAbstractAnimation::stateChanged, this,
                         [this, hint](QAbstractAnimation::State now) {
                             if (now == QAbstractAnimation::Running) {
                                 fadeStarts << clock.elapsed();
                                 opacityAtFade << hint->windowOpacity();
                             }
                         });
        hint->installEventFilter(this);
    }

    QPropertyAnimation *fade;
    QElapsedTimer clock;
    QList<qint64> fadeStarts;
    QList<double> opacityAtFade;
    QList<qint64> hides;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            hides << clock.elapsed();
        return false;
    }
};

} // namespace

class TestShellPopups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void toastSizeAndPlace_data();
    void toastSizeAndPlace();
    void toastHoldsThenFades();
    void toastSecondHintRestartsTheHold();
    void toastShownDuringAFadeStays();

    void seekValueFromMouse_data();
    void seekValueFromMouse();
    void seekIgnoresMouseWithoutStream();
    void seekReleaseSignals_data();
    void seekReleaseSignals();
    void seekHoverTip();
    void seekPlayedPartAndHandle_data();
    void seekPlayedPartAndHandle();
    void seekCurValueClamps();

    void sliderClickValues_data();
    void sliderClickValues();
    void sliderAndVolButtonSignals();

    void volumePopupOpensAndCloses();
    void volumePopupTakesTheSliderLater();
    void playModeChoices_data();
    void playModeChoices();
    void playModeCheckedMode();
    void playModePopupFocus();

    void headerButton();
    void emptyListGoesToTheLibrary();
    void uiRelationsForwardToTheMainWindow();
    void customEventsEachSync();
};

void TestShellPopups::initTestCase()
{
    // The toast's hold and fade at a tenth of their length: the same sequence, faster.
    kvrSetTimeScale(0.1);
}

void TestShellPopups::init()
{
    kvrShellState::setStreamOpen(false);
    kvrShellState::setSongSourceKind(-1);
    kvrShellState::setFadeInOut(false);
}

// ---- toast ----

void TestShellPopups::toastSizeAndPlace_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("chinese") << QStringLiteral("已添加到播放列表");
    QTest::newRow("long") << QStringLiteral("因网络问题，登录失败，请稍后重试");
}

void TestShellPopups::toastSizeAndPlace()
{
    QFETCH(QString, text);
    QWidget window;
    window.setGeometry(50, 60, 981, 717);
    kvrLabelInfoHint hint;
    QCOMPARE(hint.stripWidth(), 156);
    hint.showHint(&window, text);

    QFont font = QApplication::font();
    font.setPixelSize(14);
    const int width = QFontMetrics(font).horizontalAdvance(text) + 45;
    QCOMPARE(hint.stripWidth(), width);
    QCOMPARE(hint.size(), QSize(width, 34));
    QVERIFY(hint.isVisible());
    QCOMPARE(hint.windowOpacity(), 1.0);
    QRect expected(QPoint(0, 0), QSize(width, 34));
    expected.moveCenter(QPoint(490, 358));
    QCOMPARE(hint.pos(), expected.topLeft() + QPoint(50, 60 + 240));
    QVERIFY(hint.windowFlags() & Qt::Tool);
}

void TestShellPopups::toastHoldsThenFades()
{
    QWidget window;
    window.resize(980, 716);
    kvrLabelInfoHint hint;
    ToastWatch watch(&hint);
    hint.showHint(&window, QStringLiteral("已下载完成"));
    const qint64 shown = watch.clock.elapsed();
    KVR_TRY_VERIFY_WITH_TIMEOUT(!hint.isVisible(), 5000);
    // 1800 ms of holding at full opacity, then 400 ms of fading, then gone.
    QCOMPARE(watch.fadeStarts.size(), 1);
    QVERIFY2(watch.fadeStarts.first() - shown >= kvrScaledMs(1800) * 9 / 10,
             qPrintable(QString::number(watch.fadeStarts.first() - shown)));
    QCOMPARE(watch.opacityAtFade.first(), 1.0);
    QCOMPARE(watch.hides.size(), 1);
    QVERIFY2(watch.hides.first() - watch.fadeStarts.first() >= kvrScaledMs(400) / 2,
             qPrintable(QString::number(watch.hides.first() - watch.fadeStarts.first())));
}

void TestShellPopups::toastSecondHintRestartsTheHold()
{
    QWidget window;
    window.resize(980, 716);
    kvrLabelInfoHint hint;
    ToastWatch watch(&hint);
    hint.showHint(&window, QStringLiteral("第一条"));
    QTest::qWait(kvrScaledMs(1200));
    hint.showHint(&window, QStringLiteral("取消收藏成功"));
    const qint64 second = watch.clock.elapsed();
    QCOMPARE(hint.hintText(), QStringLiteral("取消收藏成功"));
    KVR_TRY_VERIFY_WITH_TIMEOUT(!hint.isVisible(), 5000);
    // The fade that ends it starts a whole hold after the second hint: the first one's time, over
    // 600 ms after the second hint, does not count.
    QVERIFY2(watch.fadeStarts.last() - second >= kvrScaledMs(1800) * 9 / 10,
             qPrintable(QString::number(watch.fadeStarts.last() - second)));
    QCOMPARE(watch.opacityAtFade.last(), 1.0);
    QCOMPARE(watch.hides.size(), 1);
}

void TestShellPopups::toastShownDuringAFadeStays()
{
    QWidget window;
    window.resize(980, 716);
    kvrLabelInfoHint hint;
    ToastWatch watch(&hint);
    hint.showHint(&window, QStringLiteral("第一条"));
    hint.closeAnimatOpacity();
    QCOMPARE(watch.fade->state(), QAbstractAnimation::Running);
    hint.showHint(&window, QStringLiteral("第二条"));
    const qint64 second = watch.clock.elapsed();
    // The first hint's fade must not take the second one with it: the second stays, whole, until
    // its own hold ends.
    KVR_TRY_COMPARE_WITH_TIMEOUT(watch.fadeStarts.size(), 2, 5000);
    // On a loaded machine the second fade may already have ended by the time this looks; what
    // matters is that nothing hid the toast before it began.
    for (qint64 hidAt : std::as_const(watch.hides))
        QVERIFY2(hidAt >= watch.fadeStarts.last(), qPrintable(QString::number(hidAt)));
    QCOMPARE(watch.opacityAtFade.last(), 1.0);
    QVERIFY(watch.fadeStarts.last() - second >= kvrScaledMs(1800) * 9 / 10);
}

// ---- seek bar ----

void TestShellPopups::seekValueFromMouse_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    // Width 432: the handle is 32 wide, so positions span x 16 .. 416 over 0 .. 1000.
    QTest::newRow("left of half the handle") << 5 << 0;
    QTest::newRow("at half the handle") << 16 << 0;
    QTest::newRow("middle") << 216 << 500;
    QTest::newRow("truncated") << 17 << 2;
    QTest::newRow("end") << 416 << 1000;
    QTest::newRow("past the end") << 900 << 1000;
}

void TestShellPopups::seekValueFromMouse()
{
    QFETCH(int, x);
    QFETCH(int, value);
    kvrSlideProg bar;
    bar.setRange(0, 1000);
    bar.resize(432, 32);
    QCOMPARE(bar.valueAt(x), value);
}

void TestShellPopups::seekIgnoresMouseWithoutStream()
{
    kvrSlideProg bar;
    bar.setRange(0, 1000);
    bar.resize(432, 32);
    QSignalSpy changed(&bar, &kvrSlideProg::curSliderPosChanged);
    QSignalSpy changing(&bar, &kvrSlideProg::curSliderPosChanging);
    sendEnter(&bar);
    sendMove(&bar, QPoint(200, 10));
    sendRelease(&bar, QPoint(200, 10));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(changing.count(), 0);
    QVERIFY(!bar.timeTip()->isVisible());
    QVERIFY(!bar.isSeekPending());
    QCOMPARE(bar.curValue(), 0);
}

void TestShellPopups::seekReleaseSignals_data()
{
    QTest::addColumn<int>("sourceKind");
    QTest::addColumn<bool>("fade");
    QTest::addColumn<int>("barValue"); // the bar's own value after the click
    QTest::newRow("local, no fade") << 0 << false << 500;
    QTest::newRow("local, fade") << 0 << true << 500;
    QTest::newRow("network keeps the download progress") << 1 << false << 300;
}

void TestShellPopups::seekReleaseSignals()
{
    QFETCH(int, sourceKind);
    QFETCH(bool, fade);
    QFETCH(int, barValue);
    kvrShellState::setStreamOpen(true);
    kvrShellState::setSongSourceKind(sourceKind);
    kvrShellState::setFadeInOut(fade);

    kvrSlideProg bar;
    bar.setRange(0, 1000);
    bar.setValue(300);
    bar.resize(432, 32);
    QSignalSpy changed(&bar, &kvrSlideProg::curSliderPosChanged);
    QElapsedTimer clock;
    qint64 signalled = -1;
    connect(&bar, &kvrSlideProg::curSliderPosChanged, this,
            [&clock, &signalled]() { signalled = clock.elapsed(); });
    clock.start();
    sendRelease(&bar, QPoint(216, 10));
    QCOMPARE(bar.curValue(), 500);
    QCOMPARE(bar.value(), barValue);
    QVERIFY(bar.isSeekPending());
    if (fade) {
        // With fading on, the seek is signalled after the first fade step (100 ms), not at once.
        QCOMPARE(changed.count(), 0);
        KVR_TRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 1000);
        QVERIFY2(signalled >= 90, qPrintable(QString::number(signalled)));
    } else {
        QCOMPARE(changed.count(), 1);
    }
    QCOMPARE(changed.first().first().toInt(), 500);
}

void TestShellPopups::seekHoverTip()
{
    kvrShellState::setStreamOpen(true);
    QWidget window;
    window.resize(500, 100);
    auto *bar = new kvrSlideProg(&window);
    bar->setRange(0, 1000);
    bar->setGeometry(10, 10, 432, 32);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The main window writes the hover text while the signal is delivered.
    connect(bar, &kvrSlideProg::curSliderPosChanging, bar,
            [bar](int pos) { bar->m_sHoverText = QStringLiteral("%1/04:00").arg(pos); });
    QSignalSpy changing(bar, &kvrSlideProg::curSliderPosChanging);

    sendEnter(bar);
    QVERIFY(bar->timeTip()->isVisible());
    QVERIFY(bar->hasMouseTracking());

    sendMove(bar, QPoint(216, 10));
    QCOMPARE(changing.count(), 1);
    QCOMPARE(changing.last().first().toInt(), 500);
    QCOMPARE(bar->timeTip()->text(), QStringLiteral("500/04:00"));
    QCOMPARE(bar->timeTip()->pos(), bar->mapToGlobal(QPoint(216, 10)) - QPoint(5, 28));
    QVERIFY(bar->timeTip()->isVisible());

    // Over the handle (at position 0 it spans x -3 .. 29) the tip hides, and comes back beside it.
    bar->repaint();
    sendMove(bar, QPoint(10, 10));
    QVERIFY(!bar->timeTip()->isVisible());
    sendMove(bar, QPoint(100, 10));
    QVERIFY(bar->timeTip()->isVisible());

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar, &leave);
    QVERIFY(!bar->timeTip()->isVisible());
    QVERIFY(!bar->hasMouseTracking());
}

void TestShellPopups::seekPlayedPartAndHandle_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("handleX");
    QTest::addColumn<int>("playedEnd"); // last pixel of the played part, or -1 for none
    // Width 432: p = pos * 400 / 1000. Played part from x 12, width p + 2, or p near the end.
    QTest::newRow("start") << 0 << -3 << 13;
    QTest::newRow("middle") << 500 << 197 << 213;
    QTest::newRow("near the end") << 1000 << 397 << 411;
}

void TestShellPopups::seekPlayedPartAndHandle()
{
    QFETCH(int, pos);
    QFETCH(int, handleX);
    QFETCH(int, playedEnd);
    g_sStyleVars = QStringLiteral("/* zspLeft:10,200,30; */");
    kvrSlideProg bar;
    g_sStyleVars = QString();
    QCOMPARE(bar.playedColour(), QColor(10, 200, 30));
    bar.setRange(0, 1000);
    bar.resize(432, 32);
    bar.setCurValue(pos);
    QImage image(bar.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    bar.handle()->hide(); // look at the played part alone
    bar.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(bar.handle()->pos(), QPoint(handleX, 0));
    QCOMPARE(QColor(image.pixel(12, 15)), QColor(10, 200, 30));
    QCOMPARE(QColor(image.pixel(playedEnd, 15)), QColor(10, 200, 30));
    QVERIFY(QColor(image.pixel(playedEnd + 1, 15)) != QColor(10, 200, 30));
    // The played part is 4 pixels high around the middle.
    QCOMPARE(QColor(image.pixel(13, 14)), QColor(10, 200, 30));
    QCOMPARE(QColor(image.pixel(13, 17)), QColor(10, 200, 30));
    QVERIFY(QColor(image.pixel(13, 13)) != QColor(10, 200, 30));
    QVERIFY(QColor(image.pixel(13, 18)) != QColor(10, 200, 30));
}

void TestShellPopups::seekCurValueClamps()
{
    const struct
    {
        QString vars;
        QColor colour;
    } colours[] = {
        {QString(), QColor(Qt::white)},
        {QStringLiteral("zspLeft:1,2;"), QColor(Qt::white)},
        {QStringLiteral("zspLeft:300,-4,7;"), QColor(255, 0, 7)},
        {QStringLiteral("zspLeft:1,2,3,4;"), QColor(1, 2, 3)},
    };
    for (const auto &c : colours) {
        g_sStyleVars = c.vars;
        kvrSlideProg bar;
        QCOMPARE(bar.playedColour(), c.colour);
    }
    g_sStyleVars = QString();

    kvrSlideProg bar;
    bar.setRange(0, 1000);
    QSignalSpy changed(&bar, &kvrSlideProg::curSliderPosChanged);
    bar.setCurValue(1200);
    QCOMPARE(bar.curValue(), 1000);
    bar.setCurValue(-5);
    QCOMPARE(bar.curValue(), 0);
    QCOMPARE(changed.count(), 0);

    // An empty range has nowhere to go, but drawing it must not fault.
    bar.setRange(5, 5);
    bar.resize(100, 32);
    QImage image(bar.size(), QImage::Format_ARGB32);
    bar.render(&image);
    bar.setDisabled(true);
    bar.EnableMyself();
    QVERIFY(bar.isEnabled());
}

// ---- click-to-jump slider and volume ----

void TestShellPopups::sliderClickValues_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("value");
    // Vertical 30 x 91 over 0 .. 10000: value = (91 - y - 9) * 10000 / 59.
    QTest::newRow("vertical bottom 9 pixels") << int(Qt::Vertical) << QPoint(15, 85) << 0;
    QTest::newRow("vertical just above") << int(Qt::Vertical) << QPoint(15, 81) << 169;
    QTest::newRow("vertical middle") << int(Qt::Vertical) << QPoint(15, 52) << 5084;
    QTest::newRow("vertical top") << int(Qt::Vertical) << QPoint(15, 0) << 10000;
    // Horizontal 124 wide: value = (x - 12) * 10000 / 100.
    QTest::newRow("horizontal left") << int(Qt::Horizontal) << QPoint(3, 5) << 0;
    QTest::newRow("horizontal middle") << int(Qt::Horizontal) << QPoint(62, 5) << 5000;
    QTest::newRow("horizontal right") << int(Qt::Horizontal) << QPoint(130, 5) << 10000;
}

void TestShellPopups::sliderClickValues()
{
    QFETCH(int, orientation);
    QFETCH(QPoint, pos);
    QFETCH(int, value);
    SliderClick slider;
    slider.setOrientation(Qt::Orientation(orientation));
    slider.setRange(0, 10000);
    slider.resize(orientation == Qt::Vertical ? QSize(30, 91) : QSize(124, 20));
    QSignalSpy changed(&slider, &QSlider::valueChanged);
    QCOMPARE(slider.valueAt(pos), value);
    slider.setValue(value == 0 ? 1 : 0);
    changed.clear();
    sendRelease(&slider, pos);
    QCOMPARE(slider.value(), value);
    QCOMPARE(changed.count(), 1);
}

void TestShellPopups::sliderAndVolButtonSignals()
{
    QWidget window;
    auto *slider = new SliderClick(&window);
    auto *other = new QLineEdit(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy leaved(slider, &SliderClick::leaved);
    QSignalSpy focusOut(slider, &SliderClick::focusOut);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(slider, &leave);
    QCOMPARE(leaved.count(), 1);
    slider->setFocus();
    other->setFocus();
    QCOMPARE(focusOut.count(), 1);

    volButton button;
    QSignalSpy entered(&button, &volButton::enterd);
    QSignalSpy left(&button, &volButton::leaved);
    sendEnter(&button);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 1);
}

void TestShellPopups::volumePopupOpensAndCloses()
{
    FakeMainWindow mainWindow;
    mainWindow.setGeometry(30, 40, 980, 716);
    // The play panel makes the slider without a parent and keeps it in a global.
    auto *slider = new SliderClick;
    slider->setObjectName(QStringLiteral("volumeslider"));
    slider->setOrientation(Qt::Vertical);
    slider->setRange(0, 10000);
    auto *unmute = new volButton(&mainWindow);
    unmute->setObjectName(QStringLiteral("btnunmute"));
    unmute->setGeometry(800, 660, 28, 28);
    auto *mute = new volButton(&mainWindow);
    mute->setObjectName(QStringLiteral("btnmute"));
    mute->hide();
    GlobalMainWgtUIRelated relations(&mainWindow);
    relations.m_pBtnUnmute = unmute;
    relations.m_pBtnMute = mute;
    g_pUIRelated = &relations;
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));

    VolumeSliderWgt popup(&mainWindow, slider);
    QCOMPARE(popup.slider(), slider);
    QCOMPARE(slider->parentWidget(), &popup);
    QVERIFY(!slider->isWindow());
    connect(slider, &SliderClick::focusOut, &popup, &VolumeSliderWgt::hideVolumeSliderWgt);
    connect(unmute, &QToolButton::clicked, &popup, &VolumeSliderWgt::showVolumeSliderWgt);

    // Opened by the button, at its place relative to the main window.
    unmute->click();
    QVERIFY(popup.isVisible());
    QVERIFY(slider->isVisible());
    // x() and y() of the main window are its frame's corner.
    QCOMPARE(popup.pos(), mainWindow.pos() + QPoint(817, 565));
    // The slider takes the focus, so losing it later is what closes the pop-up.
    KVR_TRY_VERIFY(slider->hasFocus());

    // Focus lost elsewhere: hidden, and the next click opens it again.
    QCursor::setPos(5, 5);
    emit slider->focusOut();
    QVERIFY(!popup.isVisible());
    unmute->click();
    QVERIFY(popup.isVisible());

    // Focus lost to the volume button: that button's click closes the pop-up for good.
    QCursor::setPos(unmute->mapToGlobal(QPoint(14, 14)));
    emit slider->focusOut();
    QVERIFY(!popup.isVisible());
    unmute->click();
    QVERIFY(!popup.isVisible());
    unmute->click();
    QVERIFY(popup.isVisible());

    g_pUIRelated = nullptr;
}

void TestShellPopups::volumePopupTakesTheSliderLater()
{
    QWidget mainWindow;
    VolumeSliderWgt popup(&mainWindow);
    QVERIFY(!popup.slider());
    popup.showVolumeSliderWgt(); // nothing to focus yet, and nothing breaks
    popup.hide();

    SliderClick first;
    auto *second = new SliderClick;
    popup.setSlider(&first);
    QCOMPARE(first.parentWidget(), &popup);
    QCOMPARE(popup.layout()->indexOf(&first), 0);

    // A replaced slider leaves the layout but stays alive for whoever created it.
    popup.setSlider(second);
    QCOMPARE(popup.slider(), second);
    QCOMPARE(second->parentWidget(), &popup);
    QVERIFY(!first.parentWidget());
    QCOMPARE(popup.layout()->indexOf(&first), -1);
    QCOMPARE(popup.layout()->count(), 1);
}

void TestShellPopups::playModeChoices_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::newRow("loop all") << "PlayModeWgtm_btnModeAC" << 2;
    QTest::newRow("repeat one") << "PlayModeWgtm_btnModeSC" << 0;
    QTest::newRow("random") << "PlayModeWgtm_btnModeR" << 3;
}

void TestShellPopups::playModeChoices()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QWidget mainWindow;
    PlayModeWgt popup(&mainWindow);
    QSignalSpy changed(&popup, &PlayModeWgt::playmodeChanged);
    // The mode is announced after it is set, and announced again when picked twice.
    connect(&popup, &PlayModeWgt::playmodeChanged, &popup, [&](int m) { QCOMPARE(g_nPlayMode, m); });
    for (int round = 0; round < 2; ++round) {
        g_nPlayMode = 1;
        popup.show();
        popup.findChild<QToolButton *>(button)->click();
        QCOMPARE(g_nPlayMode, mode);
        QVERIFY(!popup.isVisible());
    }
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.last().first().toInt(), mode);
    QVERIFY(popup.findChild<QToolButton *>(button)->isChecked());
}

void TestShellPopups::playModeCheckedMode()
{
    QWidget mainWindow;
    PlayModeWgt popup(&mainWindow);
    QCOMPARE(popup.m_btnModeAC->text(), QStringLiteral("顺序播放"));
    QCOMPARE(popup.m_btnModeSC->text(), QStringLiteral("单曲循环"));
    QCOMPARE(popup.m_btnModeR->text(), QStringLiteral("随机播放"));
    QCOMPARE(popup.m_btnModeAC->toolTip(), QStringLiteral("循环播放所有歌曲"));
    QVERIFY(popup.m_btnModeAC->isChecked());

    const struct
    {
        int mode;
        QToolButton *checked;
    } rows[] = {{0, popup.m_btnModeSC}, {1, popup.m_btnModeSC}, {3, popup.m_btnModeR},
                {7, popup.m_btnModeR},  {2, popup.m_btnModeAC}, {-1, popup.m_btnModeAC}};
    for (const auto &row : rows) {
        popup.setCheckedMode(row.mode);
        QVERIFY2(row.checked->isChecked(), qPrintable(QString::number(row.mode)));
    }
}

void TestShellPopups::playModePopupFocus()
{
    QWidget mainWindow;
    mainWindow.setGeometry(20, 10, 980, 716);
    auto *modeButton = new QToolButton(&mainWindow);
    modeButton->setObjectName(QStringLiteral("btnModeR"));
    modeButton->setGeometry(900, 660, 28, 28);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    PlayModeWgt popup(&mainWindow);
    connect(modeButton, &QToolButton::clicked, &popup, &PlayModeWgt::showPlayModeWgt);

    modeButton->click();
    QVERIFY(popup.isVisible());
    QCOMPARE(popup.pos(), mainWindow.pos() + QPoint(901, 565));

    // Focus lost anywhere else: hidden, nothing changed, and the next click reopens it.
    g_nPlayMode = 3;
    QCursor::setPos(5, 5);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&popup, &out);
    QVERIFY(!popup.isVisible());
    QCOMPARE(g_nPlayMode, 3);
    modeButton->click();
    QVERIFY(popup.isVisible());

    // Focus lost to the play-mode button: its click does not reopen the pop-up.
    QCursor::setPos(modeButton->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&popup, &out);
    QVERIFY(!popup.isVisible());
    modeButton->click();
    QVERIFY(!popup.isVisible());
}

// ---- small widgets ----

void TestShellPopups::headerButton()
{
    QWidget window;
    auto *withLine = new MyPushButton(&window, true);
    auto *last = new MyPushButton(&window, false);
    withLine->setText(QStringLiteral("歌曲"));
    last->setText(QStringLiteral("时长"));
    withLine->setGeometry(0, 0, 120, 27);
    last->setGeometry(120, 0, 60, 27);
    QCOMPARE(withLine->minimumHeight(), 27);
    QCOMPARE(withLine->maximumHeight(), 27);
    QVERIFY(withLine->font().bold());

    auto draw = [](MyPushButton *b) {
        QImage image(b->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        b->render(&image);
        return image;
    };
    QImage a = draw(withLine);
    QCOMPARE(QColor(a.pixel(50, 0)), QColor(210, 210, 210));
    QCOMPARE(QColor(a.pixel(50, 26)), QColor(210, 210, 210));
    QCOMPARE(QColor(a.pixel(119, 13)), QColor(210, 210, 210));
    QCOMPARE(QColor(a.pixel(100, 13)), QColor(248, 248, 248));
    // The last header has no divider on its right.
    QImage b = draw(last);
    QVERIFY(QColor(b.pixel(59, 13)) != QColor(210, 210, 210));
    QCOMPARE(QColor(b.pixel(50, 0)), QColor(210, 210, 210));

    // The text turns green under the mouse.
    auto hasColour = [](const QImage &image, QColor c) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (QColor(image.pixel(x, y)) == c)
                    return true;
        return false;
    };
    QVERIFY(!hasColour(a, QColor(37, 154, 37)));
    sendEnter(withLine);
    QVERIFY(withLine->isHovered());
    QVERIFY(hasColour(draw(withLine), QColor(37, 154, 37)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(withLine, &leave);
    QVERIFY(!withLine->isHovered());
}

void TestShellPopups::emptyListGoesToTheLibrary()
{
    QWidget mainWindow;
    mainWindow.setObjectName(QStringLiteral("mainwnd"));
    auto *web = new QToolButton(&mainWindow);
    web->setObjectName(QStringLiteral("left_tbWeb"));
    web->setCheckable(true);
    auto *playlist = new QToolButton(&mainWindow);
    playlist->setCheckable(true);
    QButtonGroup group;
    group.addButton(playlist, 0);
    group.addButton(web, 1);
    playlist->setChecked(true);
    QSignalSpy clicked(&group, &QButtonGroup::idClicked);

    auto *form = new ListEmptyForm(&mainWindow);
    QCOMPARE(form->size(), QSize(907, 576));
    auto *link = form->findChild<QToolButton *>(QStringLiteral("toolButton"));
    QCOMPARE(link->text(), QStringLiteral("音乐库"));
    QCOMPARE(form->findChild<QLabel *>(QStringLiteral("label_2"))->text(), QStringLiteral("空空如也，快到 "));
    QCOMPARE(form->findChild<QLabel *>(QStringLiteral("label_3"))->text(),
             QStringLiteral("添加海量好音乐吧！"));
    QVERIFY(!form->findChild<QLabel *>(QStringLiteral("label"))->pixmap().isNull());

    link->click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), 1);
    QVERIFY(web->isChecked());

    // In a window of its own it still finds the main window.
    ListEmptyForm alone;
    alone.findChild<QToolButton *>(QStringLiteral("toolButton"))->click();
    QCOMPARE(clicked.count(), 2);
}

void TestShellPopups::uiRelationsForwardToTheMainWindow()
{
    FakeMainWindow mainWindow;
    // Made as the main window makes it: without a parent.
    GlobalMainWgtUIRelated relations(nullptr);
    QVERIFY(!relations.m_pActEq && !relations.m_pBtnMute && !relations.m_pLabelAlbumPic);

    // Before the window installs itself the requests are logged and go nowhere.
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("showTheConfig.*ignored")));
    relations.showTheConfig(2);
    relations.closeLRC();
    relations.login();
    QVERIFY(mainWindow.requests.isEmpty());

    relations.setMainWindowActions(&mainWindow);
    // The desktop lyrics' buttons call through the object's slots, by connection too.
    QObject sender;
    connect(&sender, &QObject::objectNameChanged, &relations, &GlobalMainWgtUIRelated::login);
    relations.showTheConfig(1);
    relations.closeLRC();
    sender.setObjectName(QStringLiteral("x"));
    QCOMPARE(mainWindow.requests,
             QStringList({QStringLiteral("config 1"), QStringLiteral("closeLRC"), QStringLiteral("login")}));

    // Removed before the window goes away: quiet again.
    relations.setMainWindowActions(nullptr);
    relations.closeLRC();
    QCOMPARE(mainWindow.requests.size(), 3);
}

void TestShellPopups::customEventsEachSync()
{
    FakeMainWindow mainWindow;
    QLineEdit search(&mainWindow);
    search.setObjectName(QStringLiteral("RightSearchEdt"));
    search.installEventFilter(&mainWindow);
    QCOMPARE(CusEvent(1000).type(), QEvent::Type(1000));

    QCoreApplication::postEvent(&search, new CusEvent(CusEvent::SyncFavAct));
    QCoreApplication::postEvent(&search, new CusEvent(CusEvent::PostFavSync));
    QCoreApplication::postEvent(&search, new CusEvent(CusEvent::SyncFavAct));
    // Posted, not called: nothing happens until the loop runs.
    QCOMPARE(mainWindow.syncs, 0);
    QCoreApplication::sendPostedEvents(&search);
    QCOMPARE(mainWindow.syncs, 3);
}

QTEST_MAIN(TestShellPopups)
#include "tst_shellpopups.moc"
