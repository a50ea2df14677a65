// The timed-shutdown dialog: the time left on a fixed clock, what it shows when opened, what "确定"
// writes into the main window's shutdown state in each choice (and what it refuses), dragging by
// the title strip, and its picture at the player's look.

#include "WindowScreenshots.h"
#include "settings/DingShiGuanJiDialog.h"
#include "shell/kvrMessageBox.h"
#include "shell/kvrTitleBar.h"

#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

std::function<QTime()> fixedClock(const QTime &time)
{
    return [time] { return time; };
}

template <class T> T *child(QWidget &dialog, const char *name)
{
    return dialog.findChild<T *>(QLatin1String(name));
}

QTimer *displayTimer(QWidget &dialog)
{
    return dialog.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
}

// What the program's message box said, and its type, closing it: the dialog runs it modally.
struct SeenBox
{
    int count = 0;
    int type = -1;
    QString title;
    QString text;
};

void answerNextBox(SeenBox *seen)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [seen, poll] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<kvrMessageBox *>(top);
            if (!box || !box->isVisible())
                continue;
            ++seen->count;
            seen->type = box->type();
            seen->title = box->findChild<kvrTitleBar *>()->m_pLabelTitle->text();
            seen->text = box->findChild<QLabel *>(QStringLiteral("kvrMessageBox_label"))->text();
            seen->text.remove(QChar(0x200B));
            box->done(0);
            poll->deleteLater();
            return;
        }
    });
    poll->start();
    // Never outlives the test that asked.
    QTimer::singleShot(5000, poll, &QObject::deleteLater);
}

} // namespace

class TestShutdownDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(WindowScreenshots::dressApplication(), "ss.css is missing or does not decipher");
    }

    void formatLeftTime_data();
    void formatLeftTime();
    void leftTimeFollowsTheLists();
    void opening_data();
    void opening();
    void radiosDriveTheDisplayTimer();
    void confirm_data();
    void confirm();
    void closingChangesNothing();
    void dragByTitleStrip();
    void screenshot();
};

void TestShutdownDialog::formatLeftTime_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QTime>("target");
    QTest::addColumn<QString>("expected");
    QTest::newRow("later today") << QTime(22, 50) << QTime(23, 0) << QStringLiteral("0小时10分0秒");
    QTest::newRow("passed: tomorrow") << QTime(22, 50) << QTime(22, 30) << QStringLiteral("23小时40分0秒");
    QTest::newRow("this very minute") << QTime(22, 50) << QTime(22, 50) << QStringLiteral("0小时0分0秒");
    QTest::newRow("milliseconds dropped")
        << QTime(22, 50, 0, 999) << QTime(22, 50) << QStringLiteral("0小时0分0秒");
    QTest::newRow("one second past: a whole day less one")
        << QTime(22, 50, 1) << QTime(22, 50) << QStringLiteral("23小时59分59秒");
    QTest::newRow("over midnight") << QTime(23, 59, 59) << QTime(0, 0) << QStringLiteral("0小时0分1秒");
    QTest::newRow("seconds and hours") << QTime(7, 5, 30) << QTime(9, 0) << QStringLiteral("1小时54分30秒");
}

void TestShutdownDialog::formatLeftTime()
{
    QFETCH(QTime, now);
    QFETCH(QTime, target);
    QFETCH(QString, expected);
    ShutdownState state;
    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(now));
    QCOMPARE(dialog.formatLeftTime(target), expected);
}

// The label shows the time left to the lists' choice as soon as either changes.
void TestShutdownDialog::leftTimeFollowsTheLists()
{
    ShutdownState state;
    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(QTime(22, 50)));
    auto *hour = child<QComboBox>(dialog, "comboBox");
    auto *minute = child<QComboBox>(dialog, "comboBox_2");
    auto *left = child<QLabel>(dialog, "label_3");
    QCOMPARE(hour->count(), 24);
    QCOMPARE(minute->count(), 60);
    QCOMPARE(hour->itemText(0), QStringLiteral("0点"));
    QCOMPARE(hour->itemText(23), QStringLiteral("23点"));
    QCOMPARE(minute->itemText(59), QStringLiteral("59分"));
    QVERIFY(!hour->itemData(5).isValid());

    hour->setCurrentIndex(23);
    minute->setCurrentIndex(0);
    QCOMPARE(left->text(), QStringLiteral("0小时10分0秒"));
    hour->setCurrentIndex(22);
    QCOMPARE(left->text(), QStringLiteral("23小时10分0秒"));
    minute->setCurrentIndex(30);
    QCOMPARE(left->text(), QStringLiteral("23小时40分0秒"));
    minute->setCurrentIndex(50);
    QCOMPARE(left->text(), QStringLiteral("0小时0分0秒"));
}

void TestShutdownDialog::opening_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("hourIndex");
    QTest::addColumn<int>("minuteIndex");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<bool>("ticking");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("left");

    QTest::newRow("first opening: half an hour from now")
        << QTime(22, 50) << 1 << 0 << 0 << QStringLiteral("radioButton") << false << 23 << 20
        << QStringLiteral("0小时30分0秒");
    QTest::newRow("default over midnight")
        << QTime(23, 45, 10) << 1 << 0 << 0 << QStringLiteral("radioButton") << false << 0 << 15
        << QStringLiteral("0小时29分50秒");
    QTest::newRow("countdown running: stored choice")
        << QTime(22, 50) << 2 << 23 << 5 << QStringLiteral("radioButton_2") << true << 23 << 5
        << QStringLiteral("0小时15分0秒");
    QTest::newRow("after downloads") << QTime(10, 0) << 3 << 12 << 30 << QStringLiteral("radioButton_3")
                                     << false << 12 << 30 << QStringLiteral("2小时30分0秒");
    QTest::newRow("unknown mode: none") << QTime(10, 0) << 7 << 0 << 0 << QStringLiteral("radioButton")
                                        << false << 10 << 30 << QStringLiteral("0小时30分0秒");
    // Hour 0 and minute 0 are not told apart from "never chosen": the default shows instead.
    QTest::newRow("stored hour 0 not restored")
        << QTime(22, 50) << 2 << 0 << 45 << QStringLiteral("radioButton_2") << true << 23 << 45
        << QStringLiteral("0小时55分0秒");
    QTest::newRow("stored minute 0 not restored")
        << QTime(22, 50) << 2 << 5 << 0 << QStringLiteral("radioButton_2") << true << 5 << 20
        << QStringLiteral("6小时30分0秒");
}

void TestShutdownDialog::opening()
{
    QFETCH(QTime, now);
    QFETCH(int, mode);
    QFETCH(int, hourIndex);
    QFETCH(int, minuteIndex);
    QFETCH(QString, radio);
    QFETCH(bool, ticking);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, left);

    QTimer tick;
    ShutdownState state{mode, hourIndex, minuteIndex, 0, &tick, {}};
    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(now));
    QVERIFY(dialog.findChild<QRadioButton *>(radio)->isChecked());
    QCOMPARE(displayTimer(dialog)->isActive(), ticking);
    QCOMPARE(displayTimer(dialog)->interval(), 1000);
    QCOMPARE(child<QComboBox>(dialog, "comboBox")->currentIndex(), hour);
    QCOMPARE(child<QComboBox>(dialog, "comboBox_2")->currentIndex(), minute);
    QCOMPARE(child<QLabel>(dialog, "label_3")->text(), left);
    // Opening changes nothing of the state.
    QCOMPARE(state.mode, mode);
    QVERIFY(!tick.isActive());
}

void TestShutdownDialog::radiosDriveTheDisplayTimer()
{
    QTime clock(22, 50);
    ShutdownState state;
    DingShiGuanJiDialog dialog(nullptr, &state, [&clock] { return clock; });
    QTimer *timer = displayTimer(dialog);
    auto *left = child<QLabel>(dialog, "label_3");
    QVERIFY(!timer->isActive());

    child<QRadioButton>(dialog, "radioButton_2")->click();
    QVERIFY(timer->isActive());
    QVERIFY(child<QRadioButton>(dialog, "radioButton_2")->isChecked());
    // Each tick counts from the clock again.
    clock = QTime(22, 55, 30);
    QTRY_COMPARE_WITH_TIMEOUT(left->text(), QStringLiteral("0小时24分30秒"), 3000);

    child<QRadioButton>(dialog, "radioButton_3")->click();
    QVERIFY(!timer->isActive());
    child<QRadioButton>(dialog, "radioButton_2")->click();
    QVERIFY(timer->isActive());
    child<QRadioButton>(dialog, "radioButton")->click();
    QVERIFY(!timer->isActive());
    QVERIFY(child<QRadioButton>(dialog, "radioButton")->isChecked());
}

void TestShutdownDialog::confirm_data()
{
    QTest::addColumn<int>("oldMode");
    QTest::addColumn<bool>("wasTicking");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("downloads"); // -1: the main window gives no count
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("secondsLeft");
    QTest::addColumn<bool>("ticking");
    QTest::addColumn<bool>("refused"); // the message box, the dialog stays open, nothing written

    QTest::newRow("none stops the count")
        << 2 << true << QStringLiteral("radioButton") << 23 << 0 << 0 << 1 << qint64(99) << false << false;
    QTest::newRow("at a time") << 1 << false << QStringLiteral("radioButton_2") << 23 << 0 << 0 << 2
                               << qint64(600) << true << false;
    QTest::newRow("at a time, tomorrow") << 1 << false << QStringLiteral("radioButton_2") << 22 << 30 << 0
                                         << 2 << qint64(85200) << true << false;
    // The next tick of the main window then shuts down.
    QTest::newRow("at this very minute")
        << 1 << false << QStringLiteral("radioButton_2") << 22 << 50 << 0 << 2 << qint64(0) << true << false;
    QTest::newRow("at a time, count already running")
        << 3 << true << QStringLiteral("radioButton_2") << 23 << 0 << 0 << 2 << qint64(600) << true << false;
    QTest::newRow("after downloads") << 1 << false << QStringLiteral("radioButton_3") << 23 << 0 << 2 << 3
                                     << qint64(99) << true << false;
    QTest::newRow("after downloads, none listed")
        << 2 << true << QStringLiteral("radioButton_3") << 23 << 0 << 0 << 2 << qint64(99) << true << true;
    QTest::newRow("after downloads, no list")
        << 1 << false << QStringLiteral("radioButton_3") << 23 << 0 << -1 << 1 << qint64(99) << false << true;
}

void TestShutdownDialog::confirm()
{
    QFETCH(int, oldMode);
    QFETCH(bool, wasTicking);
    QFETCH(QString, radio);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, downloads);
    QFETCH(int, mode);
    QFETCH(qint64, secondsLeft);
    QFETCH(bool, ticking);
    QFETCH(bool, refused);

    QTimer tick;
    if (wasTicking)
        tick.start(1000);
    ShutdownState state{oldMode, 7, 8, 99, &tick, {}};
    if (downloads >= 0)
        state.downloadRowCount = [downloads] { return downloads; };

    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(QTime(22, 50)));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QRadioButton *>(radio)->click();
    child<QComboBox>(dialog, "comboBox")->setCurrentIndex(hour);
    child<QComboBox>(dialog, "comboBox_2")->setCurrentIndex(minute);

    SeenBox seen;
    if (refused)
        answerNextBox(&seen);
    child<QPushButton>(dialog, "DingSHiGuanJi_OK")->click();

    QCOMPARE(state.mode, mode);
    QCOMPARE(state.secondsLeft, secondsLeft);
    QCOMPARE(tick.isActive(), ticking);
    if (ticking)
        QCOMPARE(tick.interval(), 1000);
    if (refused) {
        QCOMPARE(seen.count, 1);
        QCOMPARE(seen.type, 2);
        QCOMPARE(seen.title, QStringLiteral("提醒"));
        QCOMPARE(seen.text, QStringLiteral("当前下载列表里没有歌曲哦"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(state.hourIndex, 7);
        QCOMPARE(state.minuteIndex, 8);
        dialog.reject();
    } else {
        QCOMPARE(seen.count, 0);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(state.hourIndex, hour);
        QCOMPARE(state.minuteIndex, minute);
    }
}

void TestShutdownDialog::closingChangesNothing()
{
    for (const char *button : {"kvrTitleBar_btnclose", "DingSHiGuanJi_QUXIao"}) {
        QTimer tick;
        ShutdownState state{1, 3, 4, 0, &tick, [] { return 5; }};
        DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(QTime(22, 50)));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        child<QRadioButton>(dialog, "radioButton_3")->click();
        child<QComboBox>(dialog, "comboBox")->setCurrentIndex(9);
        child<QAbstractButton>(dialog, button)->click();
        QVERIFY2(!dialog.isVisible(), button);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(state.mode, 1);
        QCOMPARE(state.hourIndex, 3);
        QCOMPARE(state.minuteIndex, 4);
        QVERIFY(!tick.isActive());
    }
}

void TestShutdownDialog::dragByTitleStrip()
{
    ShutdownState state;
    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(QTime(22, 50)));
    dialog.move(200, 150);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *strip = child<QWidget>(dialog, "widget");
    QCOMPARE(strip->geometry(), QRect(16, 0, 378, 40));

    const QPointF grip(100, 20);
    const QPointF globalGrip = strip->mapToGlobal(grip);
    QMouseEvent press(QEvent::MouseButtonPress, grip, globalGrip, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(strip, &press);
    QVERIFY(press.isAccepted());
    const QPointF to = globalGrip + QPointF(35, -20);
    QMouseEvent move(QEvent::MouseMove, strip->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(strip, &move);
    QCOMPARE(dialog.pos(), QPoint(235, 130));

    // Moving without the left button held leaves it where it is.
    QMouseEvent hover(QEvent::MouseMove, grip, globalGrip + QPointF(300, 300), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(strip, &hover);
    QCOMPARE(dialog.pos(), QPoint(235, 130));
    dialog.reject();
}

void TestShutdownDialog::screenshot()
{
    QTimer tick;
    ShutdownState state{2, 23, 30, 0, &tick, {}};
    DingShiGuanJiDialog dialog(nullptr, &state, fixedClock(QTime(21, 36, 12)));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(child<QLabel>(dialog, "label_5")->text(), QStringLiteral("定时关机"));
    QCOMPARE(child<QRadioButton>(dialog, "radioButton_2")->text(), QStringLiteral("定时关机 "));
    auto *close = child<QToolButton>(dialog, "kvrTitleBar_btnclose");
    QCOMPARE(close->toolTip(), QStringLiteral("关闭"));
    QCOMPARE(close->property("css").toString(), QStringLiteral("YouShangJiaoGuanBiAnNiu"));

    QVERIFY(WindowScreenshots::settle(&dialog));
    // Without a compositor (KVR_COMPOSITOR=0) the window loses the shadow's margin.
    const bool shadow = dialog.testAttribute(Qt::WA_TranslucentBackground);
    QCOMPARE(dialog.size(), shadow ? QSize(410, 276) : QSize(378, 244));
    const QString clipped = WindowScreenshots::clippedText(&dialog);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped));
    // Everything sits on the card, inside the shadow's 16 pixels.
    const QRect card = shadow ? QRect(16, 0, 378, 260) : QRect(0, 0, 378, 244);
    for (QWidget *w : dialog.findChildren<QWidget *>()) {
        if (w->isVisible() && w->parentWidget() == &dialog)
            QVERIFY2(card.contains(w->geometry()), qPrintable(w->objectName()));
    }
    QVERIFY(WindowScreenshots::save(WindowScreenshots::onBackdrop(dialog.grab(), 24),
                                    QStringLiteral("timed-shutdown")));

    dialog.reject();
}

QTEST_MAIN(TestShutdownDialog)
#include "tst_shutdowndialog.moc"
