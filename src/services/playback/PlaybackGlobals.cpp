#include "services/playback/PlaybackGlobals.h"

std::atomic<quint32> g_hStream{0};
int g_nSongSourceKind = SongSourceKind::kNone;
bool g_bNetSongComplete = false;
int g_nPlayingListId = PlayingListId::kNone;
