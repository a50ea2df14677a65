#include "playlists/WgtPlaylistRecent.h"

#include <QFileInfo>

WgtPlaylistRecent::WgtPlaylistRecent(QWidget *parent)
    : WgtPlaylistBase(kRecentList, parent)
{
    if (QFileInfo::exists(playListPath()))
        loadPlayList();
}
