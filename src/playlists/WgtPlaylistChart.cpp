#include "playlists/WgtPlaylistChart.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/kvrListView.h"
#include "services/core/DailyLog.h"
#include "services/core/SongConstants.h"
#include "services/seams/FolderSeam.h"

#include <QFileInfo>
#include <QStandardItemModel>

WgtPlaylistChart::WgtPlaylistChart(QWidget *parent)
    : WgtPlaylistHistory({kChartList, PlayingListId::kMostPlayed, 7, "WgtPlaylistChart", tr("  我最常听"),
                          tr("播放次数"), 3},
                         parent)
{
}

void WgtPlaylistChart::addPlayCount(const QStandardItem *queueItem)
{
    try {
        recordPlayedSong(queueItem);
    } catch (...) {
        g_writeExceptionLog("void __thiscall WgtPlaylistChart::addPlayCount(class QStandardItem *)");
    }
}

bool WgtPlaylistChart::sameSong(const _tag_playlistsonginfo_ &row, const _tag_playlistsonginfo_ &played) const
{
    return row.filePath == played.filePath;
}

bool WgtPlaylistChart::recordKnownRow(int nRow)
{
    if (_tag_playlistsonginfo_ *info = g_songInfo(model()->item(nRow))) {
        ++info->count;
        listView()->update(model()->index(nRow, 0));
    }
    return true;
}

void WgtPlaylistChart::aboutToPlayRow(_tag_playlistsonginfo_ *info)
{
    ++info->count;
}

void WgtPlaylistChart::downloadRow(const _tag_playlistsonginfo_ &info)
{
    const QString downloaded = g_folderSeam()->getDownDir() + QLatin1Char('/') + info.artist +
                               QLatin1String(" - ") + info.title + QLatin1String(".mp3");
    if (QFileInfo::exists(downloaded))
        return;
    WgtPlaylistBase::downloadRow(info);
}
