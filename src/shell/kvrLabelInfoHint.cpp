#include "shell/kvrLabelInfoHint.h"

#include "shell/ShellGlobals.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
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
} // namespace

kvrLabelInfoHint::kvrLabelInfoHint(QWidget *parent)
    : QLabel(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    // Parented, unlike a bare timer, so it goes with the hint.
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &kvrLabelInfoHint::onTimer);

    m_textColor = QColor(255, 255, 255, 204);
    m_background = QBrush(QColor(0, 0, 0, 153));
    m_font = QApplication::font();
    m_font.setPixelSize(14);

    m_pFade = new QPropertyAnimation(this, "windowOpacity", this);
    m_pFade->setDuration(kvrShellMs(kFadeMs));
    m_pFade->setStartValue(1.0);
    m_pFade->setEndValue(0.0);
    connect(m_pFade, &QPropertyAnimation::finished, this, &QWidget::hide);
}

kvrLabelInfoHint::~kvrLabelInfoHint() = default;

void kvrLabelInfoHint::showHint(QWidget *centerShow, QString sText)
{
    m_staticText.setText(sText);
    m_nWidth = QFontMetrics(m_font).horizontalAdvance(sText) + kPadding;
    resize(m_nWidth, kHeight);

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
    QRect own = rect();
    own.moveCenter(QPoint((area.left() + area.right()) / 2, (area.top() + area.bottom()) / 2));
    move(own.topLeft() + offset + QPoint(0, kBelowCentre));

    // A fade still running from the previous hint would hide this one before it could be read.
    m_pFade->stop();
    setWindowOpacity(1.0);
    show();
    m_pTimer->start(kvrShellMs(kHoldMs));
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
    painter.setBrush(m_background);
    painter.drawRoundedRect(QRectF(0, 0, m_nWidth, kHeight - 1), 16, 16, Qt::AbsoluteSize);
    painter.setFont(m_font);
    painter.setPen(m_textColor);
    painter.drawStaticText(QPointF(22, 6), m_staticText);
}
