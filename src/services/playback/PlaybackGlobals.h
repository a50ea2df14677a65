#pragma once

// The playback state that the main window, the lyric windows, the equalizer and the list pages
// read. The playback controller and its stream worker write it.
//
// Threads: g_hStream is written on the GUI thread and by the end-of-stream callback on the audio
// layer's sync thread, and read by GUI timers, so it is atomic (it converts to the handle
// implicitly: `if (g_hStream)`, `BASS_ChannelGetPosition(g_hStream, ...)`; use .load() where an
// overload would be ambiguous, as with qDebug). The other values are GUI thread only.

#include "services/core/SongConstants.h"
#include "services/playback/PlaybackConstants.h"

#include <QtGlobal>

#include <atomic>

// The current stream, 0 when none.
extern std::atomic<quint32> g_hStream;
// SongSourceKind: kNone before the first song, kFile the current song plays from a file (local
// or cached), kNetwork it streams from the network.
extern int g_nSongSourceKind;
// The current network song's download has ended (set when its final block arrived, cleared when
// a stream is requested).
extern bool g_bNetSongComplete;
// The list that is playing (PlayingListId): 1 play queue, 4 radio, 5 recently played, 6 most
// played, 0 none.
extern int g_nPlayingListId;
