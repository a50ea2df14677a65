#include "shell/SliderClick.h"

#include <QMouseEvent>

SliderClick::SliderClick(QWidget *parent)
    : QSlider(parent)
{
}

SliderClick::~SliderClick() = default;

int SliderClick::valueAt(const QPoint &pos) const
{
    const int lo = minimum();
    const int hi = maximum();
    qint64 value = lo;
    if (orientation() == Qt::Horizontal) {
        const int span = width() - m_nHandleLength;
        if (span > 0)
            value = static_cast<qint64>(lo + (pos.x() - m_nHandleLength * 0.5) * (hi - lo) / span);
    } else {
        // The groove leaves 9 pixels below its end and 8 beside the handle's length.
        const int span = height() - m_nHandleLength - 8;
        if (span > 0)
            value = lo + qint64(height() - pos.y() - 9) * (hi - lo) / span;
    }
    return static_cast<int>(qBound(qint64(lo), value, qint64(hi)));
}

void SliderClick::mouseReleaseEvent(QMouseEvent *event)
{
    setValue(valueAt(event->position().toPoint()));
    QSlider::mouseReleaseEvent(event);
}

void SliderClick::leaveEvent(QEvent *event)
{
    emit leaved();
    QSlider::leaveEvent(event);
}

void SliderClick::focusOutEvent(QFocusEvent *)
{
    emit focusOut();
}
