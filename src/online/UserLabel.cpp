#include "online/UserLabel.h"

UserLabel::UserLabel(QWidget *parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}
