#include "shell/kvrSlideProg.h"

#include "services/core/ProgramHelpers.h"
#include "shell/kvrPixmap.h"
#include "shell/kvrShellState.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QTimer>

namespace {
// With fading on, the seek waits for the first fade-out step before it is signalled.
constexpr int kFadeEmitDelayMs = 100;
// The played part starts where the groove starts (the style sheet's left margin).
constexpr int kGrooveLeft = 12;
const QPoint kTipOffset(5, 28);

QColor colourFromStyleValue(const QString &value)
{
    const QStringList parts = value.split(u',');
    if (value.isEmpty() || parts.size() < 3)
        return QColor(Qt::white);
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return QColor(Qt::white);
        rgb[i] = qBound(0, rgb[i], 255);
    }
    return QColor(rgb[0], rgb[1], rgb[2], 255);
}
} // namespace

kvrSlideProg::kvrSlideProg(QWidget *parent)
    : QProgressBar(parent)
{
    // A window of its own so it can follow the cursor outside the bar; the bar deletes it.
    m_pTip = new QLabel;
    m_pTip->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    m_pTip->setWindowOpacity(0.85);
    m_pTip->setStyleSheet(
        QStringLiteral("min-width:73px;background-color:rgb(68,68,68);color:#f5f5f5;"
                       "padding:1px 3px;border-radius:3px;border:2px solid rgb(68,68,68);"));

    m_pEmitTimer = new QTimer(this);
    m_pEmitTimer->setSingleShot(true);
    connect(m_pEmitTimer, &QTimer::timeout, this, &kvrSlideProg::emitSliderChangedSignal);

    setTextVisible(false);

    m_pHandle = new QLabel(this);
    m_pHandle->setPixmap(kvrPixmap(QStringLiteral(":/rs/progressBarBtn")));
    m_pHandle->resize(m_nHandleWidth, m_nHandleHeight);

    m_playedColour = colourFromStyleValue(g_getListValue(QStringLiteral("zspLeft")));
}

kvrSlideProg::~kvrSlideProg()
{
    delete m_pTip;
}

void kvrSlideProg::setCurValue(int value)
{
    m_nPos = qBound(minimum(), value, maximum());
    update();
}

int kvrSlideProg::valueAt(int x) const
{
    const int lo = minimum();
    const int hi = maximum();
    const int span = width() - m_nHandleWidth;
    if (span <= 0)
        return lo;
    const double value = lo + (x - m_nHandleWidth * 0.5) * (hi - lo) / span;
    if (value <= lo)
        return lo;
    if (value >= hi)
        return hi;
    return static_cast<int>(value);
}

void kvrSlideProg::EnableMyself()
{
    setEnabled(true);
}

void kvrSlideProg::emitSliderChangedSignal()
{
    emit curSliderPosChanged(m_nPos);
}

void kvrSlideProg::mousePressEvent(QMouseEvent *) {}

void kvrSlideProg::mouseReleaseEvent(QMouseEvent *event)
{
    if (!kvrShellState::streamOpen())
        return;
    m_nPos = valueAt(event->position().toPoint().x());
    // A network song's bar value shows its download progress; only a local song's follows the seek.
    if (kvrShellState::songSourceKind() == 0)
        setValue(m_nPos);
    m_bSeekPending = true;
    update();
    if (kvrShellState::fadeInOut())
        m_pEmitTimer->start(kFadeEmitDelayMs);
    else
        emit curSliderPosChanged(m_nPos);
}

void kvrSlideProg::mouseMoveEvent(QMouseEvent *event)
{
    if (!kvrShellState::streamOpen())
        return;
    const int x = event->position().toPoint().x();
    emit curSliderPosChanging(valueAt(x));
    m_pTip->setText(m_sHoverText);
    m_pTip->adjustSize();
    m_pTip->move(event->globalPosition().toPoint() - kTipOffset);
    // Over the handle the tip would only cover it.
    const int handleLeft = m_pHandle->x();
    if (x > handleLeft && x < handleLeft + m_pHandle->width())
        m_pTip->hide();
    else if (m_pTip->isHidden())
        m_pTip->show();
}

void kvrSlideProg::enterEvent(QEnterEvent *)
{
    if (!kvrShellState::streamOpen())
        return;
    m_pTip->show();
    setMouseTracking(true);
}

void kvrSlideProg::leaveEvent(QEvent *)
{
    // Hidden even when the stream closed while the mouse was over the bar, so the tip never stays.
    m_pTip->hide();
    if (!kvrShellState::streamOpen())
        return;
    setMouseTracking(false);
}

void kvrSlideProg::paintEvent(QPaintEvent *event)
{
    QProgressBar::paintEvent(event);

    const int w = width();
    const int h = height();
    const int lo = minimum();
    const int hi = maximum();
    // An empty range has no positions; keep the handle at the start instead of dividing by zero.
    const int p = hi > lo ? static_cast<int>(qint64(m_nPos - lo) * (w - m_nHandleWidth) / (hi - lo)) : 0;
    const int played = p < w - 32 ? p + m_nHandleWidth / 2 - 14 : p;

    QPainter painter(this);
    painter.fillRect(QRect(kGrooveLeft, h / 2 - 2, played, 4), m_playedColour);
    m_pHandle->move(p - 3, (h - m_nHandleHeight) / 2);
}
