#include "library/WgtLocalDir.h"

WgtLocalDir::WgtLocalDir(QWidget *parent)
    : QWidget(parent)
{
}
