#include "shell/kvrShellState.h"

#include "services/playback/PlaybackGlobals.h"

namespace {
bool s_fadeInOut = false;
} // namespace

namespace kvrShellState {

bool streamOpen()
{
    return g_hStream.load() != 0;
}
int songSourceKind()
{
    return g_nSongSourceKind;
}
bool fadeInOut()
{
    return s_fadeInOut;
}

void setStreamOpen(bool open)
{
    // Only tests open a "stream" this way; any non-zero handle reads as open.
    g_hStream = open ? 1u : 0u;
}
void setSongSourceKind(int kind)
{
    g_nSongSourceKind = kind;
}
void setFadeInOut(bool on)
{
    s_fadeInOut = on;
}

} // namespace kvrShellState
