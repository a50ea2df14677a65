#include "library/WgtLocalSinger.h"

WgtLocalSinger::WgtLocalSinger(QWidget *parent)
    : QWidget(parent)
{
}
