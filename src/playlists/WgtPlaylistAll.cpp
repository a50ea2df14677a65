#include "playlists/WgtPlaylistAll.h"

#include "playlists/PlaylistsLog.h"

WgtPlaylistAll *g_pWgtPlaylistAll = nullptr;

WgtPlaylistAll::WgtPlaylistAll(QWidget *parent)
    : WgtPlaylistBase(parent)
{
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
