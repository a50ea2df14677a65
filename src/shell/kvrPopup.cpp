#include "shell/kvrPopup.h"

#include <QCursor>
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
