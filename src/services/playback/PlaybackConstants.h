#pragma once

#include <QtGlobal>

// The numbers the playback road passes around: where the current song plays from, what the play
// panel's title line shows, and who asked for a song's information.

// g_nSongSourceKind.
namespace SongSourceKind {
inline constexpr int kNone = -1;   // before the first song
inline constexpr int kFile = 0;    // a local file or a complete cached copy
inline constexpr int kNetwork = 1; // streamed from the network
} // namespace SongSourceKind

// MainWindowSeam::changeNetplayStatus: the network player's state as the title line shows it.
namespace NetplayStatus {
inline constexpr int kPreparing = 0;     // the song's name
inline constexpr int kAskingAddress = 1; // asking for the stream address; the song's name
inline constexpr int kBuffering = 2;     // the animated buffering text
inline constexpr int kPlaying = 3;       // the song's name
inline constexpr int kStopped = 4;       // empty text
} // namespace NetplayStatus

// The user value of a song-information request (type 1): who waits for the answer. Any other
// value is the ticket of the download that asked.
namespace SongInfoAsker {
inline constexpr quintptr kLyricLookup = 0;
inline constexpr quintptr kPlayback = 1;
} // namespace SongInfoAsker
