#include "playlists/WgtPlaylistAll.h"

#include "playlists/PlaylistsLog.h"

#include <QFileInfo>
#include <QModelIndex>

WgtPlaylistAll *g_pWgtPlaylistAll = nullptr;

WgtPlaylistAll::WgtPlaylistAll(QWidget *parent)
    : WgtPlaylistBase(kPlayQueueList, parent)
{
    if (QFileInfo::exists(playListPath()))
        loadPlayList();
}

void WgtPlaylistAll::addSongstoList(const QStringList &entries, bool bPlay, bool bNet, int nPlayRow)
{
    qCDebug(lcPlaylists) << "add" << entries.size() << "songs; play" << bPlay << "net" << bNet << "row"
                         << nPlayRow;
    for (const QString &entry : entries)
        qCInfo(lcPlaylists).noquote() << "queued:" << entry;
    appendRows(entries);
    emit songsAdded(entries, bPlay);
}

void WgtPlaylistAll::playTheListSong(const QModelIndex &index, bool noScroll)
{
    qCDebug(lcPlaylists) << "play row" << index.row() << "noScroll" << noScroll
                         << "is not available yet: the queue plays with its own page";
}
