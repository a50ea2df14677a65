#include "playlists/WgtPlaylistRecent.h"

#include "playlists/PlaylistSongInfo.h"
#include "services/core/DailyLog.h"
#include "services/core/SongConstants.h"

WgtPlaylistRecent::WgtPlaylistRecent(QWidget *parent)
    : WgtPlaylistHistory({kRecentList, PlayingListId::kRecentlyPlayed, 6, "WgtPlaylistRecent",
                          tr("  我听过的"), tr("时长"), 2},
                         parent)
{
}

void WgtPlaylistRecent::addPlayedSong(const QStandardItem *queueItem)
{
    try {
        recordPlayedSong(queueItem);
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistRecent::addPlayedSong(class QStandardItem *)");
    }
}

bool WgtPlaylistRecent::sameSong(const _tag_playlistsonginfo_ &row,
                                 const _tag_playlistsonginfo_ &played) const
{
    return row.filePath == played.filePath && row.bytesize == played.bytesize;
}
