#pragma once

// The playback state the seek bar reads: the services' g_hStream and g_nSongSourceKind, and the
// fade-in/out setting, which the main window sets. The setters are for the main window and tests.
namespace kvrShellState {

bool streamOpen();    // a stream is open (g_hStream is not 0)
int songSourceKind(); // 0 local file, 1 network song, -1 before the first song
bool fadeInOut();     // the fade-in/out setting

void setStreamOpen(bool open);
void setSongSourceKind(int kind);
void setFadeInOut(bool on);

} // namespace kvrShellState
