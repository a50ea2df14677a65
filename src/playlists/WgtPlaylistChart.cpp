#include "playlists/WgtPlaylistChart.h"

WgtPlaylistChart::WgtPlaylistChart(QWidget *parent)
    : WgtPlaylistBase(parent)
{
}
