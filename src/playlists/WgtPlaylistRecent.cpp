#include "playlists/WgtPlaylistRecent.h"

WgtPlaylistRecent::WgtPlaylistRecent(QWidget *parent)
    : WgtPlaylistBase(parent)
{
}
