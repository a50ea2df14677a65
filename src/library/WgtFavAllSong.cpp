#include "library/WgtFavAllSong.h"

WgtFavAllSong::WgtFavAllSong(QWidget *parent)
    : QWidget(parent)
{
}
