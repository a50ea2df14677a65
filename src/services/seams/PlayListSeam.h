#pragma once

#include "services/core/spis.h"

#include <QString>

// What the playback engine asks of the song-list pages: the play queue (list id 1), the recently
// played list (5) and the most played list (6). The pages belong to the play-list subsystem,
// above this layer; it installs its implementation once the pages exist (g_setPlayListSeam) and
// removes it before they go. Until then, and in tests, the base class answers as lists without
// rows: no next song, nothing to update, and a debug line for every call.
//
// Which song follows is the pages' rule, by the play mode and their failure counter: the engine
// only asks and plays what it is given (an empty filePath means stop).
//
// Every operation is called on the GUI thread.
class PlayListSeam
{
public:
    virtual ~PlayListSeam();

    // The song after the playing row once a song ended or failed; marks it as the playing row.
    // filePath stays empty when the list says stop.
    virtual void getNextSongandSelIt(int nListId, spis &s);
    // The user's next and previous: false when the list has no playing row.
    virtual bool getRealNextSongandSelIt(int nListId, spis &s);
    virtual bool getRealPrevSongandSelIt(int nListId, spis &s);
    // The playing song failed to start; the list counts it.
    virtual void dealWithWrong(int nListId, int nReason);
    // The song information of a network song arrived: when the playing row's id is id, it takes
    // the stream path, duration, size and picture. Returns the playing row's id (empty: none).
    virtual QString changePLCurPlayingNetSong(int nListId, const QString &id, const QString &path,
                                              const QString &duration, const QString &size,
                                              const QString &picture);
    // The playing row's duration from a cached file: sDur gets "mm:ss", the row too.
    virtual void changePLCurPlayingNetSongDur(int nListId, QString &sDur, const QString &sLocalSong);
    // Another list (or the radio) starts playing: the play queue closes its open row editor, the
    // recently and most played lists clear their playing-row mark.
    virtual void closeCurDisplayingEditor();
    virtual void clearCurPlayingRow(int nListId);
    // The most played list: the first row whose record id is id counts one more play.
    virtual void increaseChartCount(const QString &id);

    // The play queue's rows as the song-information answer reads them (album-name fill-in).
    virtual int playQueueRowCount();
    virtual QString playQueueRowId(int row);
    virtual QString playQueueRowAlbum(int row);
    // Stores the album name in the row's record and repaints the row.
    virtual void setPlayQueueRowAlbum(int row, const QString &album);
};

// The seam in force: the installed one, or the empty default. Never null.
PlayListSeam *g_playListSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setPlayListSeam(PlayListSeam *seam);
