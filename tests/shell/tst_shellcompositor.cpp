// The shell's windows on an X server without a compositing manager (run under Xvfb): the answer
// of kvrHasCompositor, and dialogs, the toast and the pop-ups drawn without black bands where a
// compositor would have blended their transparent parts.

#include "shell/PlayModeWgt.h"
#include "shell/SliderClick.h"
#include "shell/VolumeSliderWgt.h"
#include "shell/kvrCompositor.h"
#include "shell/kvrLabelInfoHint.h"
#include "shell/kvrMessageBox.h"
#include "shell/kvrShadowDlg.h"
#include "shell/kvrTitleBar.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

const QRgb kBackdrop = qRgb(200, 200, 200);

xcb_connection_t *xcbConnection()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Plays a compositing manager: owns the selection "_NET_WM_CM_S0" while it lives.
class FakeCompositor
{
public:
    explicit FakeCompositor(xcb_connection_t *c)
        : m_c(c)
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        m_window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char name[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        xcb_set_selection_owner(c, m_window, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        xcb_aux_sync();
    }
    ~FakeCompositor()
    {
        xcb_destroy_window(m_c, m_window);
        xcb_aux_sync();
    }

private:
    // Waits until the server has handled the requests, so the next question sees their effect.
    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr)); }

    xcb_connection_t *m_c;
    xcb_window_t m_window;
};

// What the screen shows over `area` (the X server's picture, not the widget's own drawing).
QImage screenAt(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QString rgb(QRgb c)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Forces kvrHasCompositor's answer for as long as it lives.
class ForcedCompositor
{
public:
    explicit ForcedCompositor(bool on)
    {
        qputenv("KVR_COMPOSITOR", on ? "1" : "0");
        kvrForgetCompositor();
    }
    ~ForcedCompositor()
    {
        qunsetenv("KVR_COMPOSITOR");
        kvrForgetCompositor();
    }
};

} // namespace

class TestShellCompositor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void detectsTheCompositingManager();
    void noBlackBands_data();
    void noBlackBands();
    void dialogContentKeepsItsSize();
    void explicitSizesLoseTheMargin();

private:
    std::unique_ptr<QWidget> m_backdrop;
};

void TestShellCompositor::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(xcbConnection());
    // A plain light window under everything, as the player's main window would be.
    m_backdrop = std::make_unique<QWidget>();
    m_backdrop->setWindowFlags(Qt::FramelessWindowHint);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(kBackdrop));
    m_backdrop->setPalette(palette);
    m_backdrop->setAutoFillBackground(true);
    m_backdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
    m_backdrop->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_backdrop.get()));
}

void TestShellCompositor::detectsTheCompositingManager()
{
    kvrForgetCompositor();
    QVERIFY(!kvrHasCompositor());

    {
        FakeCompositor compositor(xcbConnection());
        // The answer is kept until it is forgotten.
        QVERIFY(!kvrHasCompositor());
        kvrForgetCompositor();
        QVERIFY(kvrHasCompositor());
    }
    kvrForgetCompositor();
    QVERIFY(!kvrHasCompositor());

    {
        ForcedCompositor forced(true);
        QVERIFY(kvrHasCompositor());
    }
    QVERIFY(!kvrHasCompositor());
}

void TestShellCompositor::noBlackBands_data()
{
    QTest::addColumn<QString>("widget");
    QTest::newRow("message box") << QStringLiteral("box");
    QTest::newRow("toast") << QStringLiteral("toast");
    QTest::newRow("volume pop-up") << QStringLiteral("volume");
    QTest::newRow("play-mode pop-up") << QStringLiteral("mode");
}

void TestShellCompositor::noBlackBands()
{
    QFETCH(QString, widget);
    kvrForgetCompositor();

    QWidget mainWindow;
    mainWindow.setGeometry(40, 30, 980, 716);
    std::unique_ptr<QWidget> shown;
    QRgb inside = 0; // what the middle of the widget must show
    if (widget == QLatin1String("box")) {
        auto *box = new kvrMessageBox(nullptr, QString(), QStringLiteral("歌单文件已损坏"), 3);
        shown.reset(box);
        box->show();
        inside = qRgb(255, 255, 255);
    } else if (widget == QLatin1String("toast")) {
        auto *hint = new kvrLabelInfoHint;
        shown.reset(hint);
        hint->showHint(&mainWindow, QStringLiteral("已添加到播放列表"));
        inside = kvrOpaqueOverWindow(QColor(0, 0, 0, 153)).rgb();
    } else if (widget == QLatin1String("volume")) {
        auto *slider = new SliderClick;
        slider->setOrientation(Qt::Vertical);
        auto *popup = new VolumeSliderWgt(nullptr, slider);
        shown.reset(popup);
        popup->showVolumeSliderWgt();
        inside = kvrOpaqueOverWindow(QColor(0, 0, 0, 176)).rgb();
    } else {
        auto *popup = new PlayModeWgt(nullptr);
        shown.reset(popup);
        popup->showPlayModeWgt();
        inside = kvrOpaqueOverWindow(QColor(0, 0, 0, 176)).rgb();
    }
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));

    const QRect area = shown->frameGeometry();
    // A spot of the widget's own colour, clear of text, pictures and buttons: the space below the
    // box's text, the toast's left end, the pop-ups' top.
    const QPoint probe = widget == QLatin1String("box")     ? QPoint(2, area.height() - 3)
                         : widget == QLatin1String("toast") ? QPoint(10, area.height() / 2)
                                                            : QPoint(2, 2);
    QTRY_COMPARE(rgb(screenAt(area).pixel(probe)), rgb(inside));

    const QImage image = screenAt(area);
    for (const QPoint corner : {QPoint(0, 0), QPoint(area.width() - 1, 0), QPoint(0, area.height() - 1),
                                QPoint(area.width() - 1, area.height() - 1)}) {
        const QRgb c = image.pixel(corner);
        QVERIFY2(
            qRed(c) + qGreen(c) + qBlue(c) > 3 * 60,
            qPrintable(QStringLiteral("corner %1,%2 shows %3").arg(corner.x()).arg(corner.y()).arg(rgb(c))));
    }
    QVERIFY(!shown->testAttribute(Qt::WA_TranslucentBackground));
}

void TestShellCompositor::dialogContentKeepsItsSize()
{
    const QString text = QStringLiteral("确定要删除选中的歌曲吗？");
    // The style sheet's width of the text: wider than the 200 pixels that Qt gives any window
    // whose layout has a height for its width, which would otherwise widen the smaller one.
    qApp->setStyleSheet(QStringLiteral("#kvrMessageBox_label { min-width: 240px; }"));
    kvrForgetCompositor();
    kvrMessageBox opaque(nullptr, QString(), text, 0);
    opaque.show();
    QVERIFY(QTest::qWaitForWindowExposed(&opaque));

    std::unique_ptr<kvrMessageBox> shadowed;
    {
        ForcedCompositor forced(true);
        shadowed = std::make_unique<kvrMessageBox>(nullptr, QString(), text, 0);
    }
    QVERIFY(shadowed->testAttribute(Qt::WA_TranslucentBackground));
    shadowed->show();
    QVERIFY(QTest::qWaitForWindowExposed(shadowed.get()));

    // The same content, without the 16-pixel frame of shadow around it.
    QCOMPARE(opaque.size() + QSize(32, 32), shadowed->size());
    QCOMPARE(opaque.layout()->contentsMargins(), QMargins());
    for (const char *name : {"kvrTitleBar", "kvrMessageBox_container", "kvrMessageBox_btnBar"}) {
        const QWidget *a = opaque.findChild<QWidget *>(QLatin1String(name));
        const QWidget *b = shadowed->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(a && b, name);
        QCOMPARE(a->geometry(), b->geometry().translated(-16, -16));
    }

    // Its title bar still drags it exactly as far as the cursor moved.
    auto *bar = opaque.findChild<kvrTitleBar *>();
    const QPoint start = opaque.pos();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(30, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(55, 30), bar->mapToGlobal(QPointF(55, 30)), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(55, 30));
    QCOMPARE(opaque.pos(), start + QPoint(25, 20));
    qApp->setStyleSheet(QString());
}

void TestShellCompositor::explicitSizesLoseTheMargin()
{
    kvrForgetCompositor();
    kvrShadowDlg resized;
    resized.resize(200, 100);
    kvrShadowDlg fixed;
    fixed.setFixedSize(300, 150);
    kvrShadowDlg capped;
    capped.setMaximumWidth(400);
    for (kvrShadowDlg *dialog : {&resized, &fixed, &capped})
        dialog->ensurePolished();
    QCOMPARE(resized.size(), QSize(168, 68));
    QCOMPARE(fixed.minimumSize(), QSize(268, 118));
    QCOMPARE(fixed.maximumSize(), QSize(268, 118));
    QCOMPARE(capped.maximumWidth(), 368);

    // The whole window is the card.
    const QImage image = resized.grab().toImage();
    QCOMPARE(rgb(image.pixel(0, 0)), rgb(qRgb(255, 255, 255)));
    QCOMPARE(rgb(image.pixel(167, 67)), rgb(qRgb(255, 255, 255)));
}

QTEST_MAIN(TestShellCompositor)
#include "tst_shellcompositor.moc"
