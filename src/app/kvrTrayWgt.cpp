#include "app/kvrTrayWgt.h"

#include "app/AppLog.h"
#include "app/MainWindow.h"
#include "services/core/DailyLog.h"
#include "shell/kvrCompositor.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>

kvrTrayWgt *g_pTrayWgt = nullptr;

namespace {

// The white body lies this far inside the window; the shadow's outlines fill the ring.
constexpr int kShadow = 9;
// The panel's bottom-right corner lies this far right of and below the icon's top-left corner.
constexpr int kOverlap = 20;

const QString kIconSet1 = QStringLiteral(":/qss/debug/images/btnimage/mu/icon_set1.png");
const QString kIconSet2 = QStringLiteral(":/qss/debug/images/btnimage/mu/icon_set2.png");
const QString kIconQuit1 = QStringLiteral(":/qss/debug/images/btnimage/mu/icon_quit1.png");
const QString kIconQuit2 = QStringLiteral(":/qss/debug/images/btnimage/mu/icon_quit2.png");

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &text = QString())
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    if (!text.isEmpty())
        button->setText(text);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QFrame *makeLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("kvrTrayWgtm_hLine"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

kvrTrayWgt::kvrTrayWgt(QWidget *parent)
    : QDialog(parent)
    , m_pMainWnd(qobject_cast<MainWindow *>(parent))
{
    setObjectName(QStringLiteral("kvrTrayWgt"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    kvrSetTranslucentIfComposited(this);
    setFocusPolicy(Qt::StrongFocus);

    m_tbPrev = makeButton(this, QStringLiteral("kvrTrayWgtm_tbPrev"));
    m_tbPlay = makeButton(this, QStringLiteral("kvrTrayWgtm_tbPlay"));
    m_tbPause = makeButton(this, QStringLiteral("kvrTrayWgtm_tbPause"));
    m_tbPause->hide();
    m_tbNext = makeButton(this, QStringLiteral("kvrTrayWgtm_tbNext"));
    m_labelCurSongInfo = new QLabel(this);
    m_labelCurSongInfo->setObjectName(QStringLiteral("kvrTrayWgtm_labelCurSongInfo"));
    m_labelCurSongInfo->setAlignment(Qt::AlignCenter);
    m_tbVolMute = makeButton(this, QStringLiteral("kvrTrayWgtm_tbVolMute"));
    m_slider = new SliderClick(this);
    m_slider->setObjectName(QStringLiteral("kvrTrayWgtm_slider"));
    m_slider->setOrientation(Qt::Horizontal);
    m_slider->setRange(0, 10000);
    m_slider->setSingleStep(100);
    m_slider->setPageStep(500);
    m_tbSwitchMini = makeButton(this, QStringLiteral("kvrTrayWgtm_tbSwitchMini"), tr("迷你模式"));
    m_tbSwitchtoNormal = makeButton(this, QStringLiteral("kvrTrayWgtm_tbSwitchtoNormal"), tr("普通模式"));
    m_tbSwitchtoNormal->hide();
    m_tbSwitchDeskLrc = makeButton(this, QStringLiteral("kvrTrayWgtm_tbSwitchDeskLrc"), tr("显示桌面歌词"));
    m_tbSwitchDeskLrc->setCheckable(true);
    m_tbConfig = makeButton(this, QStringLiteral("kvrTrayWgtm_tbConfig"), tr("设置中心"));
    m_tbConfig->setIcon(QIcon(kIconSet1));
    m_tbConfig->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_tbQuit = makeButton(this, QStringLiteral("kvrTrayWgtm_tbQuit"), tr("退出"));
    m_tbQuit->setIcon(QIcon(kIconQuit1));
    m_tbQuit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto *playRow = new QHBoxLayout;
    playRow->addWidget(m_tbPrev, 0, Qt::AlignVCenter);
    playRow->addWidget(m_tbPlay);
    playRow->addWidget(m_tbPause);
    playRow->addWidget(m_tbNext, 0, Qt::AlignVCenter);
    auto *volumeRow = new QHBoxLayout;
    volumeRow->addWidget(m_tbVolMute);
    volumeRow->addWidget(m_slider);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    // Without the see-through ring the body is the whole window: the content keeps its place on it.
    const int ring = testAttribute(Qt::WA_TranslucentBackground) ? 0 : kShadow;
    layout->setContentsMargins(20 - ring, 14 - ring, 20 - ring, 14 - ring);
    layout->addLayout(playRow);
    // The buttons keep their own sizes: the row sits in the middle rather than spreading out.
    layout->setAlignment(playRow, Qt::AlignHCenter);
    layout->addWidget(m_labelCurSongInfo, 0, Qt::AlignCenter);
    layout->addWidget(makeLine(this));
    layout->addSpacing(5);
    layout->addLayout(volumeRow);
    layout->addWidget(m_tbSwitchMini);
    layout->addWidget(m_tbSwitchtoNormal);
    layout->addWidget(m_tbSwitchDeskLrc);
    layout->addWidget(makeLine(this));
    layout->addWidget(m_tbConfig);
    layout->addWidget(m_tbQuit);

    m_tbConfig->installEventFilter(this);
    m_tbQuit->installEventFilter(this);

    connect(m_tbQuit, &QToolButton::clicked, this, &kvrTrayWgt::onQuitBtnClicked);
    // A drag on the slider takes the focus; giving it back keeps the panel open.
    connect(m_slider, &QSlider::valueChanged, this, qOverload<>(&QWidget::setFocus));
    if (m_pMainWnd) {
        MainWindow *main = m_pMainWnd;
        connect(m_tbSwitchMini, &QToolButton::clicked, main, &MainWindow::showMini);
        connect(m_tbSwitchtoNormal, &QToolButton::clicked, main, &MainWindow::minitoMainWnd);
        connect(m_tbPrev, &QToolButton::clicked, main, &MainWindow::playPrevSong);
        connect(m_tbPlay, &QToolButton::clicked, main, &MainWindow::resumeOrPause);
        connect(m_tbPause, &QToolButton::clicked, main, &MainWindow::resumeOrPause);
        connect(m_tbNext, &QToolButton::clicked, main, &MainWindow::playNextSong);
        connect(m_tbConfig, &QToolButton::clicked, main, &MainWindow::showConfig);
        connect(m_tbSwitchDeskLrc, &QToolButton::toggled, main, &MainWindow::toggleLRC);
    }
}

kvrTrayWgt::~kvrTrayWgt() = default;

void kvrTrayWgt::setTitle(const QString &text)
{
    ensurePolished();
    m_labelCurSongInfo->ensurePolished();
    const int width = m_labelCurSongInfo->maximumWidth();
    const QString shown = width < QWIDGETSIZE_MAX
                              ? m_labelCurSongInfo->fontMetrics().elidedText(text, Qt::ElideRight, width)
                              : text;
    m_labelCurSongInfo->setText(shown);
    m_labelCurSongInfo->setToolTip(shown == text ? QString() : text);
}

QPoint kvrTrayWgt::placeFor(const QRect &icon, const QPoint &cursor, const QSize &size,
                            const QRect &available)
{
    // Linux trays often report no place for their icons: the pointer that clicked stands in.
    const QPoint anchor = icon.isEmpty() ? cursor : icon.topLeft();
    QPoint place = anchor - QPoint(size.width() - kOverlap, size.height() - kOverlap);
    // A tray along the top or the left edge would put the panel off the screen.
    if (!available.isEmpty()) {
        place.setX(qBound(available.left(), place.x(),
                          qMax(available.left(), available.right() + 1 - size.width())));
        place.setY(qBound(available.top(), place.y(),
                          qMax(available.top(), available.bottom() + 1 - size.height())));
    }
    return place;
}

void kvrTrayWgt::showEvent(QShowEvent *event)
{
    QRect icon;
    if (m_pMainWnd && m_pMainWnd->m_pTrayIcon)
        icon = m_pMainWnd->m_pTrayIcon->geometry();
    const QPoint cursor = QCursor::pos();
    const QScreen *screen = QGuiApplication::screenAt(icon.isEmpty() ? cursor : icon.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    QDialog::showEvent(event);
    move(placeFor(icon, cursor, size(), available));
    QTimer::singleShot(300, this, &kvrTrayWgt::sendMouseEvent);
}

void kvrTrayWgt::sendMouseEvent()
{
    // Hidden again in the meantime: activating it later would steal the focus on its next show.
    if (!isVisible())
        return;
    // With the focus here, a click anywhere else takes it away and the panel hides.
    activateWindow();
    setFocus();
}

void kvrTrayWgt::focusOutEvent(QFocusEvent *event)
{
    QWidget *focus = QApplication::focusWidget();
    qCDebug(lcApp) << "tray panel lost the focus to" << focus;
    if (focus != m_slider)
        hide();
    QDialog::focusOutEvent(event);
}

void kvrTrayWgt::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!testAttribute(Qt::WA_TranslucentBackground)) {
        painter.fillRect(rect(), Qt::white);
        // The shadow's innermost outline as an edge, so the panel stands apart from a white window.
        painter.setPen(kvrOpaqueOverWindow(QColor(100, 100, 100, 102)));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF body(kShadow, kShadow, width() - 2 * kShadow, height() - 2 * kShadow);
    QPainterPath path;
    path.addRect(body);
    painter.fillPath(path, Qt::white);
    QColor colour(100, 100, 100);
    for (int i = 0; i < kShadow; ++i) {
        // The square root makes the shadow fall off quickly near the body and fade out slowly.
        colour.setAlpha(static_cast<int>(102 - 34 * qSqrt(i)));
        painter.setPen(colour);
        painter.drawRect(body.adjusted(-i, -i, i, i));
    }
}

bool kvrTrayWgt::eventFilter(QObject *watched, QEvent *event)
{
    const bool enter = event->type() == QEvent::Enter;
    const bool leave = event->type() == QEvent::Leave;
    if (watched == m_tbConfig) {
        if (enter || leave)
            m_tbConfig->setIcon(QIcon(enter ? kIconSet2 : kIconSet1));
        return false;
    }
    if (watched == m_tbQuit) {
        if (enter || leave)
            m_tbQuit->setIcon(QIcon(enter ? kIconQuit2 : kIconQuit1));
        return false;
    }
    return QDialog::eventFilter(watched, event);
}

void kvrTrayWgt::onQuitBtnClicked()
{
    try {
        hide();
        if (!m_pMainWnd) {
            QCoreApplication::quit();
            return;
        }
        // No icon may stay behind in the tray once the program is gone.
        if (m_pMainWnd->m_pTrayIcon)
            m_pMainWnd->m_pTrayIcon->hide();
        // The program's one way out: it saves the settings and stops the downloads before it
        // ends the event loop, which quitting the loop alone would skip.
        m_pMainWnd->quitting();
    } catch (const std::exception &e) {
        g_writeExceptionLog("void __thiscall kvrTrayWgt::onQuitBtnClicked(void)",
                            QString::fromUtf8(e.what()));
    } catch (...) {
        g_writeExceptionLog("void __thiscall kvrTrayWgt::onQuitBtnClicked(void)");
    }
}
