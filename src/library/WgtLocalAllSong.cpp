#include "library/WgtLocalAllSong.h"

WgtLocalAllSong::WgtLocalAllSong(QWidget *parent)
    : QWidget(parent)
{
}
