#pragma once

// Program-wide values of the application shell that the shell widgets write or read.
//
// Threads: GUI thread only.

// The play mode: 0 repeat one, 1 in order without wrap, 2 loop in order, 3 random. The play-mode
// pop-up writes 2, 0 or 3; the next-song choice of the play lists reads it.
extern int g_nPlayMode;

// How long the shell's timed effects last (a hint's hold, fades, a message box's wait) against
// their designed length: 1, unless the environment variable KVR_TIME_SCALE holds another positive
// number or kvrSetShellTimeScale was called. Tests shorten the effects with it and check the same
// sequences faster. kvrShellMs is a designed length in ms as it runs now (at least 1 ms).
double kvrShellTimeScale();
void kvrSetShellTimeScale(double scale);
int kvrShellMs(int ms);
