// The frameless dialogs: shadow card, title bar dragging, message box types and results, the quit
// question, and the progress dialog's Escape key.

#include "KvrTry.h"
#include "platform/TimeScale.h"
#include "shell/kvrCompositor.h"
#include "shell/kvrDlgQuitHint.h"
#include "shell/kvrMessageBox.h"
#include "shell/kvrProgressDialog.h"
#include "shell/kvrShadowDlg.h"
#include "shell/kvrTitleBar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// Runs `action` once the modal loop of `dialog` is running.
void whenShown(QDialog *dialog, std::function<void()> action)
{
    auto *poll = new QTimer(dialog);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, action] {
        if (dialog->isVisible()) {
            poll->stop();
            action();
        }
    });
    poll->start();
}

template <typename T> T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

} // namespace

class TestShellDialogs : public QObject
{
    Q_OBJECT

private slots:
    // The message box's wait and fade at a tenth of their length: the same sequence, faster.
    void initTestCase() { kvrSetTimeScale(0.1); }
    void shadowCardAndRings();
    void titleBarDragsWithAnyButton_data();
    void titleBarDragsWithAnyButton();
    void messageBoxButtons_data();
    void messageBoxButtons();
    void messageBoxTitle_data();
    void messageBoxTitle();
    void messageBoxFadesByItself();
    void messageBoxTypeThreeWaitsForItsCreator();
    void messageBoxPlacement();
    void quitQuestion_data();
    void quitQuestion();
    void quitQuestionFocus();
    void progressDialogIgnoresEscape();
};

void TestShellDialogs::shadowCardAndRings()
{
    // Offscreen windows are taken as composited, so the shadow is drawn as designed.
    QVERIFY(kvrHasCompositor());
    kvrShadowDlg dialog;
    dialog.resize(200, 100);
    dialog.ensurePolished();
    const QImage image = dialog.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(200, 100));

    // The card: white and opaque from (16, 16) for 168 x 68 pixels.
    for (const QPoint p : {QPoint(17, 17), QPoint(100, 50), QPoint(182, 82)})
        QCOMPARE(image.pixel(p), qRgba(255, 255, 255, 255));

    // The shadow grows fainter from the card's edge outwards, and the corner stays almost clear.
    int previous = 256;
    for (int x = 14; x >= 1; --x) {
        const int alpha = qAlpha(image.pixel(x, 50));
        QVERIFY2(alpha > 0 && alpha <= previous,
                 qPrintable(QStringLiteral("x %1 alpha %2").arg(x).arg(alpha)));
        previous = alpha;
    }
    QVERIFY(qAlpha(image.pixel(14, 50)) > 3 * qAlpha(image.pixel(1, 50)));
    QVERIFY(qAlpha(image.pixel(0, 0)) < 20);
    // A grey shadow, not a coloured one.
    const QRgb ring = image.pixel(10, 50);
    QCOMPARE(qRed(ring), qGreen(ring));
    QCOMPARE(qGreen(ring), qBlue(ring));
}

void TestShellDialogs::titleBarDragsWithAnyButton_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("barPos");
    QTest::newRow("left") << Qt::LeftButton << QPoint(16, 16);
    QTest::newRow("right") << Qt::RightButton << QPoint(16, 16);
    // A dialog drawn without its shadow margin has the title bar at its corner.
    QTest::newRow("no shadow margin") << Qt::LeftButton << QPoint(0, 0);
}

void TestShellDialogs::titleBarDragsWithAnyButton()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, barPos);
    QDialog dialog;
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    auto *bar = new kvrTitleBar(&dialog);
    bar->setGeometry(QRect(barPos, QSize(200, 30)));
    dialog.resize(240, 120);
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();

    QTest::mousePress(bar, button, Qt::NoModifier, QPoint(20, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 40), bar->mapToGlobal(QPointF(60, 40)), button, button,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, button, Qt::NoModifier, QPoint(60, 40));
    // The dialog follows the cursor by exactly the distance it moved.
    QCOMPARE(dialog.pos(), start + QPoint(40, 30));

    // After the release, moving does nothing.
    QMouseEvent after(QEvent::MouseMove, QPointF(90, 90), bar->mapToGlobal(QPointF(90, 90)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &after);
    QCOMPARE(dialog.pos(), start + QPoint(40, 30));
}

void TestShellDialogs::messageBoxButtons_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("click"); // object name to click, or "title" for the title bar's close
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("buttons");

    const QStringList yesNo{QStringLiteral("kvrMessageBoxm_ppbYes"), QStringLiteral("kvrMessageBoxm_ppbNo")};
    QTest::newRow("question, yes") << 0 << "kvrMessageBoxm_ppbYes" << 1 << yesNo;
    QTest::newRow("question, no") << 0 << "kvrMessageBoxm_ppbNo" << 0 << yesNo;
    QTest::newRow("question, title close") << 0 << "title" << 0 << yesNo;
    QTest::newRow("notice, close button")
        << 1 << "kvrMessageBoxm_ppbOk" << 0 << QStringList{QStringLiteral("kvrMessageBoxm_ppbOk")};
    QTest::newRow("notice, title close")
        << 1 << "title" << 0 << QStringList{QStringLiteral("kvrMessageBoxm_ppbOk")};
    QTest::newRow("creator closes, title close") << 3 << "title" << 0 << QStringList{};
    QTest::newRow("large type, title close") << 7 << "title" << 0 << QStringList{};
}

void TestShellDialogs::messageBoxButtons()
{
    QFETCH(int, type);
    QFETCH(QString, click);
    QFETCH(int, result);
    QFETCH(QStringList, buttons);

    kvrMessageBox box(nullptr, QString(), QStringLiteral("确定要删除选中的歌曲吗？"), type);
    QCOMPARE(box.objectName(), QStringLiteral("kvrMessageBox"));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(box.testAttribute(Qt::WA_TranslucentBackground));
    box.ensurePolished();
    QCOMPARE(box.layout()->contentsMargins(), QMargins(16, 16, 16, 16));

    QStringList present;
    for (QPushButton *b : box.findChildren<QPushButton *>())
        present << b->objectName();
    present.sort();
    buttons.sort();
    QCOMPARE(present, buttons);
    QCOMPARE(box.findChild<QFrame *>(QStringLiteral("kvrMessageBox_btnBar")) != nullptr, type < 2);
    QVERIFY(child<QLabel>(&box, "kvrMessageBox_labelPic")->pixmap().width() > 0);
    QVERIFY(child<QLabel>(&box, "kvrMessageBox_label")->wordWrap());

    whenShown(&box, [&box, click] {
        if (click == QLatin1String("title"))
            child<QToolButton>(&box, "kvrTitleBar_btnclose")->click();
        else
            box.findChild<QPushButton *>(click)->click();
    });
    QCOMPARE(box.exec(), result);
    QVERIFY(!box.isVisible());
}

void TestShellDialogs::messageBoxTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << QString() << QStringLiteral("提示");
    QTest::newRow("given") << QStringLiteral("error") << QStringLiteral("error");
    QTest::newRow("chinese") << QStringLiteral("下载失败") << QStringLiteral("下载失败");
}

void TestShellDialogs::messageBoxTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, shown);
    kvrMessageBox box(nullptr, title, QStringLiteral("x"), 1);
    auto *bar = box.findChild<kvrTitleBar *>(QStringLiteral("kvrTitleBar"));
    QVERIFY(bar);
    QCOMPARE(bar->m_pLabelTitle->text(), shown);
    QCOMPARE(bar->m_pBtnClose->toolTip(), QStringLiteral("关闭"));
}

void TestShellDialogs::messageBoxFadesByItself()
{
    kvrMessageBox box(nullptr, QString(), QStringLiteral("已复制"), 2);
    QElapsedTimer clock;
    clock.start();
    // Nothing clicks: the box must end on its own, about 1000 ms of waiting plus a 600 ms fade.
    QCOMPARE(box.exec(), 0);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= kvrScaledMs(1600) * 9 / 10 && elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(!box.isVisible());
}

void TestShellDialogs::messageBoxTypeThreeWaitsForItsCreator()
{
    kvrMessageBox box(nullptr, QString(), QStringLiteral("努力登录中,请稍候..."), 3);
    bool stillOpen = false;
    // Well past the type-2 fade, the box is still there; then its creator ends it.
    QTimer::singleShot(kvrScaledMs(2500), &box, [&box, &stillOpen] {
        stillOpen = box.isVisible();
        box.accept();
    });
    QCOMPARE(box.exec(), 1);
    QVERIFY(stillOpen);
}

void TestShellDialogs::messageBoxPlacement()
{
    QWidget parent;
    parent.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    parent.setGeometry(100, 200, 601, 401);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    kvrMessageBox onParent(&parent, QString(), QStringLiteral("x"), 1);
    onParent.resize(300, 150);
    onParent.show();
    // The parent's centre is (300, 200) in its own rectangle; a 300 x 150 rectangle centred there
    // starts at (151, 126), then the parent's position is added.
    QCOMPARE(onParent.pos(), QPoint(100 + 151, 200 + 126));
    onParent.close();

    kvrMessageBox onDesktop(nullptr, QString(), QStringLiteral("x"), 1);
    onDesktop.resize(300, 150);
    onDesktop.show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QRect expected(QPoint(0, 0), QSize(300, 150));
    expected.moveCenter(QPoint((screen.width() - 1) / 2, (screen.height() - 1) / 2));
    QCOMPARE(onDesktop.pos(), expected.topLeft() + screen.topLeft());
    onDesktop.close();
}

void TestShellDialogs::quitQuestion_data()
{
    QTest::addColumn<bool>("pickQuit");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("quit");
    QTest::addColumn<bool>("noMoreAsk");

    QTest::newRow("ok at once: tray, nothing stored") << false << false << true << 1 << false << false;
    QTest::newRow("quit") << true << false << true << 1 << true << false;
    QTest::newRow("quit, don't ask again") << true << true << true << 1 << true << true;
    QTest::newRow("tray, don't ask again") << false << true << true << 1 << false << true;
    QTest::newRow("ticked but cancelled") << true << true << false << 0 << false << false;
}

void TestShellDialogs::quitQuestion()
{
    QFETCH(bool, pickQuit);
    QFETCH(bool, tick);
    QFETCH(bool, pressOk);
    QFETCH(int, result);
    QFETCH(bool, quit);
    QFETCH(bool, noMoreAsk);

    QWidget mainWindow;
    mainWindow.resize(980, 716);
    kvrDlgQuitHint dialog(&mainWindow);
    QCOMPARE(dialog.objectName(), QStringLiteral("quithintdlg"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("关闭提示"));
    QVERIFY(child<QRadioButton>(&dialog, "quithintdlg_rbicon")->isChecked());
    QCOMPARE(child<QRadioButton>(&dialog, "quithintdlg_rbicon")->text(),
             QStringLiteral("最小化到托盘，不退出程序"));
    QCOMPARE(child<QRadioButton>(&dialog, "quithintdlg_rbquit")->text(), QStringLiteral("退出程序"));

    whenShown(&dialog, [&] {
        if (pickQuit)
            child<QRadioButton>(&dialog, "quithintdlg_rbquit")->click();
        if (tick)
            child<QCheckBox>(&dialog, "quithintdlg_cb")->click();
        child<QToolButton>(&dialog, pressOk ? "quithintdlg_toolButton_ok" : "quithintdlg_toolButton_cancle")
            ->click();
    });
    QCOMPARE(dialog.exec(), result);
    QCOMPARE(dialog.m_bQuit, quit);
    QCOMPARE(dialog.m_bNoMoreAsk, noMoreAsk);
}

void TestShellDialogs::quitQuestionFocus()
{
    kvrDlgQuitHint dialog(nullptr);
    QCOMPARE(child<QRadioButton>(&dialog, "quithintdlg_rbicon")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(child<QRadioButton>(&dialog, "quithintdlg_rbquit")->focusPolicy(), Qt::NoFocus);
    QVERIFY(child<QCheckBox>(&dialog, "quithintdlg_cb")->focusPolicy() != Qt::NoFocus);
    QVERIFY(child<QToolButton>(&dialog, "quithintdlg_toolButton_ok")->focusPolicy() != Qt::NoFocus);

    // The title bar's close button answers like "取消".
    dialog.m_bQuit = false;
    whenShown(&dialog, [&dialog] { child<QToolButton>(&dialog, "kvrTitleBar_btnclose")->click(); });
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(!dialog.m_bQuit && !dialog.m_bNoMoreAsk);
}

void TestShellDialogs::progressDialogIgnoresEscape()
{
    kvrProgressDialog dialog;
    dialog.setRange(0, 10);
    dialog.setMinimumDuration(0);
    dialog.setValue(3);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy canceled(&dialog, &QProgressDialog::canceled);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.wasCanceled());
    QCOMPARE(canceled.count(), 0);

    // Other keys take the dialog's ordinary road: Enter presses the default (cancel) button.
    QTest::keyClick(&dialog, Qt::Key_Return);
    KVR_TRY_VERIFY(dialog.wasCanceled());
}

QTEST_MAIN(TestShellDialogs)
#include "tst_shelldialogs.moc"
