#pragma once

#include "services/seams/PlayListSeam.h"

// The song-list pages as the services see them while none are installed, and the base of test
// seams: lists without rows. There is no next song, nothing to update, and every call writes a
// debug line.
class LoggingPlayListSeam : public PlayListSeam
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
