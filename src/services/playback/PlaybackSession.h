#pragma once

#include <QtGlobal>

// What the playback controller knows of the song it plays and the main window's download watch
// reads: how long the song is, and where its data lies in the streamed file. Written when a song
// starts; the watch also moves the ends as the download goes on. GUI thread only.
struct PlaybackSession
{
    qint64 m_llStreamStart = 0; // file offset where the song's data starts (0 until read)
    qint64 m_llStreamEnd = 0;   // end of the data: first the song's expected size in bytes
    int m_nSongSeconds = 0;     // length of the playing song in whole seconds
};
