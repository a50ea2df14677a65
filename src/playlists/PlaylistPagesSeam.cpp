#include "playlists/PlaylistPagesSeam.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistBase.h"
#include "playlists/kvrListView.h"
#include "services/core/SongConstants.h"

#include <QStandardItemModel>

namespace {

WgtPlaylistBase *queue()
{
    return WgtPlaylistBase::forListId(PlayingListId::kPlayQueue);
}

_tag_playlistsonginfo_ *queueRow(int row)
{
    WgtPlaylistBase *page = queue();
    return page ? g_songInfo(page->model()->item(row)) : nullptr;
}

} // namespace

void PlaylistPagesSeam::getNextSongandSelIt(int nListId, spis &s)
{
    if (WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId))
        page->getNextSongandSelIt(s);
    else
        s.filePath.clear();
}

bool PlaylistPagesSeam::getRealNextSongandSelIt(int nListId, spis &s)
{
    WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId);
    return page && page->getRealNextSongandSelIt(s);
}

bool PlaylistPagesSeam::getRealPrevSongandSelIt(int nListId, spis &s)
{
    WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId);
    return page && page->getRealPrevSongandSelIt(s);
}

void PlaylistPagesSeam::dealWithWrong(int nListId, int nReason)
{
    if (WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId))
        page->dealWithWrong(nReason);
}

QString PlaylistPagesSeam::changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                                     const QString &duration, const QString &size,
                                                     const QString &picture)
{
    WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId);
    return page ? page->changePLCurPlayingNetSong(id, path, duration, size, picture) : QString();
}

void PlaylistPagesSeam::changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong)
{
    if (WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId))
        page->changePLCurPlayingNetSongDur(sDur, sLocalSong);
}

void PlaylistPagesSeam::closeCurDisplayingEditor()
{
    if (WgtPlaylistBase *page = queue())
        page->clearCurPlayingRow();
}

void PlaylistPagesSeam::clearCurPlayingRow(int nListId)
{
    if (WgtPlaylistBase *page = WgtPlaylistBase::forListId(nListId))
        page->clearCurPlayingRow();
}

void PlaylistPagesSeam::increaseChartCount(const QString &id)
{
    WgtPlaylistBase *chart = WgtPlaylistBase::forListId(PlayingListId::kMostPlayed);
    if (!chart)
        return;
    for (int row = 0; row < chart->rowCount(); ++row) {
        _tag_playlistsonginfo_ *info = g_songInfo(chart->model()->item(row));
        if (info && info->id == id) {
            ++info->count;
            return;
        }
    }
}

int PlaylistPagesSeam::playQueueRowCount()
{
    WgtPlaylistBase *page = queue();
    return page ? page->rowCount() : 0;
}

QString PlaylistPagesSeam::playQueueRowId(int row)
{
    const _tag_playlistsonginfo_ *info = queueRow(row);
    return info ? info->id : QString();
}

QString PlaylistPagesSeam::playQueueRowAlbum(int row)
{
    const _tag_playlistsonginfo_ *info = queueRow(row);
    return info ? info->sAlbumName : QString();
}

void PlaylistPagesSeam::setPlayQueueRowAlbum(int row, const QString &album)
{
    if (_tag_playlistsonginfo_ *info = queueRow(row)) {
        info->sAlbumName = album;
        queue()->listView()->update(queue()->model()->index(row, 0));
    }
}
