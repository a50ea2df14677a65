#include "shell/kvrShadowDlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtMath>

namespace {
// Width of the transparent margin that holds the shadow; the dialogs' layouts use the same value.
constexpr int kShadow = 16;
} // namespace

kvrShadowDlg::kvrShadowDlg(QWidget *parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

kvrShadowDlg::~kvrShadowDlg() = default;

void kvrShadowDlg::paintShadow(QWidget *widget)
{
    const int w = widget->width();
    const int h = widget->height();

    QPainterPath card;
    card.setFillRule(Qt::WindingFill);
    card.addRect(QRectF(kShadow, kShadow, w - 2 * kShadow, h - 2 * kShadow));

    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(card, QBrush(Qt::white));

    QColor colour(100, 100, 100);
    for (int i = 0; i < kShadow; ++i) {
        QPainterPath ring;
        ring.setFillRule(Qt::WindingFill);
        ring.addRect(QRectF(kShadow - i, kShadow - i, w - 2 * kShadow + 2 * i, h - 2 * kShadow + 2 * i));
        // The square root makes the shadow fall off quickly near the card and fade out slowly.
        colour.setAlpha(static_cast<int>(100 - 25 * qSqrt(i)));
        painter.setPen(colour);
        painter.drawPath(ring);
    }
}

void kvrShadowDlg::centreOn(QWidget *dialog, const QWidget *reference)
{
    QRect area;
    QPoint offset;
    if (reference) {
        area = reference->rect();
        offset = reference->pos();
    } else if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        area = QRect(QPoint(0, 0), screen->geometry().size());
        offset = screen->geometry().topLeft();
    } else {
        return;
    }
    // QRect's right() and bottom() are the last pixel's coordinates: the integer halves match the
    // placement every dialog of the player has always used.
    const QPoint centre((area.left() + area.right()) / 2, (area.top() + area.bottom()) / 2);
    QRect own = dialog->rect();
    own.moveCenter(centre);
    dialog->move(own.topLeft() + offset);
}

void kvrShadowDlg::centreOnParentOrDesktop(QWidget *dialog)
{
    centreOn(dialog, dialog->parentWidget());
}

void kvrShadowDlg::paintEvent(QPaintEvent *)
{
    paintShadow(this);
}
