#include "app/kvrShellState.h"

namespace {
bool s_streamOpen = false;
int s_songSourceKind = -1;
bool s_fadeInOut = false;
} // namespace

namespace kvrShellState {

bool streamOpen()
{
    return s_streamOpen;
}
int songSourceKind()
{
    return s_songSourceKind;
}
bool fadeInOut()
{
    return s_fadeInOut;
}

void setStreamOpen(bool open)
{
    s_streamOpen = open;
}
void setSongSourceKind(int kind)
{
    s_songSourceKind = kind;
}
void setFadeInOut(bool on)
{
    s_fadeInOut = on;
}

} // namespace kvrShellState
