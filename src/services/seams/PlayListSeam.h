#pragma once

#include "services/core/spis.h"

#include <QString>

// What the playback engine asks of the song-list pages: the play queue (list id 1), the recently
// played list (5) and the most played list (6). The pages belong to the play-list subsystem,
// above this layer; it installs its implementation once the pages exist (g_setPlayListSeam) and
// removes it before they go. Until then LoggingPlayListSeam answers as lists without rows.
//
// Which song follows is the pages' rule, by the play mode and their failure counter: the engine
// only asks and plays what it is given (an empty filePath means stop).
//
// Every operation is called on the GUI thread.
class PlayListSeam
{
public:
    virtual ~PlayListSeam() = default;

    // The song after the playing row once a song ended or failed; marks it as the playing row.
    // filePath stays empty when the list says stop.
    virtual void getNextSongandSelIt(int nListId, spis &s) = 0;
    // The user's next and previous: false when the list has no playing row.
    virtual bool getRealNextSongandSelIt(int nListId, spis &s) = 0;
    virtual bool getRealPrevSongandSelIt(int nListId, spis &s) = 0;
    // The playing song failed to start; the list counts it.
    virtual void dealWithWrong(int nListId, int nReason) = 0;
    // The song information of a network song arrived: when the playing row's id is id, it takes
    // the stream path, duration, size and picture. Returns the playing row's id (empty: none).
    virtual QString changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                              const QString &duration, const QString &size,
                                              const QString &picture) = 0;
    // The playing row's duration from a cached file: sDur gets "mm:ss", the row too.
    virtual void changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong) = 0;
    // Another list (or the radio) starts playing: the play queue closes its open row editor, the
    // recently and most played lists clear their playing-row mark.
    virtual void closeCurDisplayingEditor() = 0;
    virtual void clearCurPlayingRow(int nListId) = 0;
    // The most played list: the first row whose record id is id counts one more play.
    virtual void increaseChartCount(const QString &id) = 0;

    // The play queue's rows as the song-information answer reads them (album-name fill-in).
    virtual int playQueueRowCount() = 0;
    virtual QString playQueueRowId(int row) = 0;
    virtual QString playQueueRowAlbum(int row) = 0;
    // Stores the album name in the row's record and repaints the row.
    virtual void setPlayQueueRowAlbum(int row, const QString &album) = 0;
};

// The seam in force: the installed one, or LoggingPlayListSeam. Never null.
PlayListSeam *g_playListSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setPlayListSeam(PlayListSeam *seam);
