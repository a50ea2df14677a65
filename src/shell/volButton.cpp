#include "shell/volButton.h"

volButton::volButton(QWidget *parent)
    : QToolButton(parent)
{
}

volButton::~volButton() = default;

void volButton::enterEvent(QEnterEvent *event)
{
    QToolButton::enterEvent(event);
    emit enterd();
}

void volButton::leaveEvent(QEvent *event)
{
    emit leaved();
    QToolButton::leaveEvent(event);
}
