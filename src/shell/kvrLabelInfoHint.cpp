#include "shell/kvrLabelInfoHint.h"

#include "platform/TimeScale.h"
#include "shell/kvrCompositor.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QRegion>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kHoldMs = 1800;
constexpr int kFadeMs = 400;
constexpr int kHeight = 34;
// Room for the rounded ends around the text.
constexpr int kPadding = 45;
// Toasts appear below the middle of the window, over the list area rather than the title.
constexpr int kBelowCentre = 240;
// A long text is shortened to leave this much of the window free on either side of the strip...
constexpr int kEdge = 20;
// ...but always keeps at least this much.
constexpr int kMinTextWidth = 120;

QPainterPath roundedStripPath(int width)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, kHeight - 1), 16, 16, Qt::AbsoluteSize);
    return path;
}

// The strip's outline as a window shape, for an opaque window: without a compositor the corners
// outside the rounded ends are cut away instead of showing black.
QRegion roundedStrip(int width)
{
    return QRegion(roundedStripPath(width).toFillPolygon().toPolygon());
}
} // namespace

kvrLabelInfoHint::kvrLabelInfoHint(QWidget *parent)
    : QLabel(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    kvrSetTranslucentIfComposited(this);

    // Parented, unlike a bare timer, so it goes with the hint.
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &kvrLabelInfoHint::onTimer);

    m_textColor = QColor(255, 255, 255, 204);
    m_background = QBrush(QColor(0, 0, 0, 153));
    m_font = QApplication::font();
    m_font.setPixelSize(14);

    m_pFade = new QPropertyAnimation(this, "windowOpacity", this);
    m_pFade->setDuration(kvrScaledMs(kFadeMs));
    m_pFade->setStartValue(1.0);
    m_pFade->setEndValue(0.0);
    connect(m_pFade, &QPropertyAnimation::finished, this, &QWidget::hide);
}

kvrLabelInfoHint::~kvrLabelInfoHint() = default;

void kvrLabelInfoHint::showHint(QWidget *centerShow, QString sText)
{
    QRect area;
    QPoint offset;
    if (centerShow) {
        area = centerShow->rect();
        offset = centerShow->pos();
    } else if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // Without a window to show over, the middle of the screen is the sensible place.
        area = QRect(QPoint(0, 0), screen->geometry().size());
        offset = screen->geometry().topLeft();
    }

    // A text too long for the window (a file path) keeps its beginning, which says what happened,
    // and its end, which names the file; the whole text is the tool tip.
    const QFontMetrics metrics(m_font);
    const int widest = qMax(kMinTextWidth, area.width() - 2 * kEdge - kPadding);
    QString shown = sText;
    if (metrics.horizontalAdvance(sText) > widest)
        shown = metrics.elidedText(sText, Qt::ElideMiddle, widest);
    setToolTip(shown == sText ? QString() : sText);

    m_staticText.setText(shown);
    m_nWidth = metrics.horizontalAdvance(shown) + kPadding;
    resize(m_nWidth, kHeight);
    if (!testAttribute(Qt::WA_TranslucentBackground))
        setMask(roundedStrip(m_nWidth));

    QRect own = rect();
    own.moveCenter(QPoint((area.left() + area.right()) / 2, (area.top() + area.bottom()) / 2));
    move(own.topLeft() + offset + QPoint(0, kBelowCentre));

    // A fade still running from the previous hint would hide this one before it could be read.
    m_pFade->stop();
    setWindowOpacity(1.0);
    show();
    m_pTimer->start(kvrScaledMs(kHoldMs));
}

void kvrLabelInfoHint::closeAnimatOpacity()
{
    m_pFade->start();
}

void kvrLabelInfoHint::onTimer()
{
    m_pFade->start();
    m_pTimer->stop();
}

void kvrLabelInfoHint::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setBrush(m_background);
        painter.drawPath(roundedStripPath(m_nWidth));
    } else {
        painter.setBrush(kvrOpaqueOverWindow(m_background.color()));
        painter.drawRect(rect());
    }
    painter.setFont(m_font);
    painter.setPen(m_textColor);
    painter.drawStaticText(QPointF(22, 6), m_staticText);
}
