#pragma once

#include "playlists/WgtPlaylistBase.h"

// The songs listened to most.
class WgtPlaylistChart : public WgtPlaylistBase
{
    Q_OBJECT
public:
    explicit WgtPlaylistChart(QWidget *parent = nullptr);
};
