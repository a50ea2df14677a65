#pragma once

#include "services/seams/PlayListSeam.h"

// The engine's road to the three song-list pages: each call goes to the page of its list id
// (WgtPlaylistBase::forListId); a list whose page does not exist answers as an empty list. The
// main window installs one once it has built the pages and removes it before they go.
class PlaylistPagesSeam : public PlayListSeam
{
public:
    void getNextSongandSelIt(int nListId, spis &s) override;
    bool getRealNextSongandSelIt(int nListId, spis &s) override;
    bool getRealPrevSongandSelIt(int nListId, spis &s) override;
    void dealWithWrong(int nListId, int nReason) override;
    QString changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                      const QString &duration, const QString &size,
                                      const QString &picture) override;
    void changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong) override;
    void closeCurDisplayingEditor() override;
    void clearCurPlayingRow(int nListId) override;
    void increaseChartCount(const QString &id) override;
    int playQueueRowCount() override;
    QString playQueueRowId(int row) override;
    QString playQueueRowAlbum(int row) override;
    void setPlayQueueRowAlbum(int row, const QString &album) override;
};
