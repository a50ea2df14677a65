#pragma once

// The playback state the seek bar reads. The services layer owns these values (g_hStream,
// g_nSongSourceKind, g_bFadeInOut); until it exports them the shell keeps them here, and the
// setters are what the playback side (and the tests) call.
namespace kvrShellState {

bool streamOpen();    // a stream is open (g_hStream is not 0)
int songSourceKind(); // 0 local file, 1 network song, -1 before the first song
bool fadeInOut();     // the fade-in/out setting

void setStreamOpen(bool open);
void setSongSourceKind(int kind);
void setFadeInOut(bool on);

} // namespace kvrShellState
