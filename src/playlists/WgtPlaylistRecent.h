#pragma once

#include "playlists/WgtPlaylistBase.h"

// The songs listened to lately.
class WgtPlaylistRecent : public WgtPlaylistBase
{
    Q_OBJECT
public:
    explicit WgtPlaylistRecent(QWidget *parent = nullptr);
};
