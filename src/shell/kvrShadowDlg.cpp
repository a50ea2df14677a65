#include "shell/kvrShadowDlg.h"

#include "shell/kvrCompositor.h"

#include <QGuiApplication>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QtMath>

namespace {
// Width of the transparent margin that holds the shadow; the dialogs' layouts use the same value.
constexpr int kShadow = 16;

int withoutShadow(int length)
{
    return length >= QWIDGETSIZE_MAX ? length : qMax(0, length - 2 * kShadow);
}

// Takes the shadow margin out of an opaque window once, when it is polished: by then its
// constructor has set the layout, and its size has not yet been fitted to the layout.
class ShadowMarginRemover : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Polish)
            return false;
        auto *window = static_cast<QWidget *>(watched);
        window->removeEventFilter(this);
        if (QLayout *layout = window->layout()) {
            const QMargins m = layout->contentsMargins();
            layout->setContentsMargins(qMax(0, m.left() - kShadow), qMax(0, m.top() - kShadow),
                                       qMax(0, m.right() - kShadow), qMax(0, m.bottom() - kShadow));
        }
        // A fixed size or a largest size is the dialog's own; a smallest size may be the
        // layout's, which follows the new margins by itself.
        const QSize max = window->maximumSize();
        if (window->minimumSize() == max)
            window->setFixedSize(withoutShadow(max.width()), withoutShadow(max.height()));
        else
            window->setMaximumSize(withoutShadow(max.width()), withoutShadow(max.height()));
        if (window->testAttribute(Qt::WA_Resized))
            window->resize(withoutShadow(window->width()), withoutShadow(window->height()));
        return false;
    }
};
} // namespace

kvrShadowDlg::kvrShadowDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareShadowWindow(this);
}

void kvrShadowDlg::prepareShadowWindow(QWidget *window)
{
    kvrSetTranslucentIfComposited(window);
    if (!window->testAttribute(Qt::WA_TranslucentBackground))
        window->installEventFilter(new ShadowMarginRemover(window));
}

kvrShadowDlg::~kvrShadowDlg() = default;

void kvrShadowDlg::paintShadow(QWidget *widget)
{
    const int w = widget->width();
    const int h = widget->height();

    if (!widget->testAttribute(Qt::WA_TranslucentBackground)) {
        QPainter(widget).fillRect(QRect(0, 0, w, h), Qt::white);
        return;
    }

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
