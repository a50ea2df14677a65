#pragma once

#include "playlists/WgtPlaylistBase.h"

class QModelIndex;

// The play queue: every other page plays songs by handing them here.
class WgtPlaylistAll : public WgtPlaylistBase
{
    Q_OBJECT
public:
    explicit WgtPlaylistAll(QWidget *parent = nullptr);

    // Adds local paths (bNet false) or network entries and plays the row nPlayRow of them when
    // bPlay is set.
    void addSongstoList(const QStringList &entries, bool bPlay, bool bNet, int nPlayRow);
    // Plays the row (noScroll: the view keeps its place).
    void playTheListSong(const QModelIndex &index, bool noScroll);

signals:
    // The entries just added, in order (the queue's rows, editing and playing come with the
    // play queue itself).
    void songsAdded(const QStringList &entries, bool bPlay);
};

// The play queue page, published when the main window builds its pages.
extern WgtPlaylistAll *g_pWgtPlaylistAll;
