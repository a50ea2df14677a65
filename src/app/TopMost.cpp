#include "app/TopMost.h"

#include <QWidget>

void g_setTopMost(QWidget *window, bool bTopmost)
{
    window->setWindowFlag(Qt::WindowStaysOnTopHint, bTopmost);
    window->show();
}
