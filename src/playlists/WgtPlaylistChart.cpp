#include "playlists/WgtPlaylistChart.h"

#include <QFileInfo>

WgtPlaylistChart::WgtPlaylistChart(QWidget *parent)
    : WgtPlaylistBase(kChartList, parent)
{
    if (QFileInfo::exists(playListPath()))
        loadPlayList();
}
