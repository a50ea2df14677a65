#include "library/WgtFavSinger.h"

WgtFavSinger::WgtFavSinger(QWidget *parent)
    : QWidget(parent)
{
}
