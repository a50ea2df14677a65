#pragma once

// The numbers that name the playing lists and the kinds of song records. They are plain ints on
// purpose: the pages, the seams and g_nPlayingListId pass them as such.

// Which list is playing (g_nPlayingListId) and which list a play-list seam call is about.
namespace PlayingListId {
inline constexpr int kNone = 0;
inline constexpr int kPlayQueue = 1;
inline constexpr int kRadio = 4;
inline constexpr int kRecentlyPlayed = 5;
inline constexpr int kMostPlayed = 6;

// The lists the song-list pages keep (the play-list seam answers for them); the radio keeps its
// own queue.
constexpr bool isPage(int listId)
{
    return listId == kPlayQueue || listId == kRecentlyPlayed || listId == kMostPlayed;
}
} // namespace PlayingListId

// spis::nType, and the kind of stream the playback controller opened for it. Every value but
// kNetwork plays as a local file.
namespace SongType {
inline constexpr int kNetwork = 2;
inline constexpr int kLocal = 3;
} // namespace SongType
