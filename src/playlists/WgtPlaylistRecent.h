#pragma once

#include "playlists/WgtPlaylistHistory.h"

// The songs listened to lately (list id 5), newest first, each once.
class WgtPlaylistRecent : public WgtPlaylistHistory
{
    Q_OBJECT
public:
    explicit WgtPlaylistRecent(QWidget *parent = nullptr);

    // A song of the play queue played to its end: it moves (or comes) to the top.
    void addPlayedSong(const QStandardItem *queueItem);

protected:
    bool sameSong(const _tag_playlistsonginfo_ &row, const _tag_playlistsonginfo_ &played) const override;
    bool recordKnownRow(int) override { return false; }
    void prepareCopy(_tag_playlistsonginfo_ &) const override {}
};
