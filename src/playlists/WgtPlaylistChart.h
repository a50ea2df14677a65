#pragma once

#include "playlists/WgtPlaylistHistory.h"

// The songs listened to most (list id 6): one row per file path with its play count. Rows keep
// their place when their count grows; new songs come in at the top.
class WgtPlaylistChart : public WgtPlaylistHistory
{
    Q_OBJECT
public:
    explicit WgtPlaylistChart(QWidget *parent = nullptr);

    // A song of the play queue played to its end: its row counts one more play, or a new row
    // with count 1 comes in at the top.
    void addPlayCount(const QStandardItem *queueItem);

protected:
    bool sameSong(const _tag_playlistsonginfo_ &row, const _tag_playlistsonginfo_ &played) const override;
    bool recordKnownRow(int nRow) override;
    void prepareCopy(_tag_playlistsonginfo_ &copy) const override { copy.count = 1; }
    void aboutToPlayRow(_tag_playlistsonginfo_ *info) override;
    void downloadRow(const _tag_playlistsonginfo_ &info) override;
};
