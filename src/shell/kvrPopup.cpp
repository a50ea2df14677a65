#include "shell/kvrPopup.h"

#include "shell/kvrCompositor.h"

#include <QColor>
#include <QCursor>
#include <QPainter>
#include <QWidget>

bool kvrIsMouseOver(const QWidget *w)
{
    return w && w->isVisible() && w->rect().contains(w->mapFromGlobal(QCursor::pos()));
}

void kvrShowPopup(QWidget *popup, QWidget *focus)
{
    popup->show();
    popup->raise();
    popup->activateWindow();
    if (focus)
        focus->setFocus(Qt::ActiveWindowFocusReason);
}

namespace {
const QColor kPanel(0, 0, 0, 176);
} // namespace

void kvrPreparePopupPanel(QWidget *popup, const QRect &panel)
{
    kvrSetTranslucentIfComposited(popup);
    if (!popup->testAttribute(Qt::WA_TranslucentBackground))
        popup->setMask(panel);
}

void kvrPaintPopupPanel(QWidget *popup, const QRect &panel)
{
    QPainter painter(popup);
    painter.fillRect(panel, popup->testAttribute(Qt::WA_TranslucentBackground) ? kPanel
                                                                               : kvrOpaqueOverWindow(kPanel));
}
