#pragma once

// How long designed pauses and timed effects last against their designed length: the shell's hint
// hold, fades and self-closing message box, and the upgrader's waits around ending the player.
// 1, unless the environment variable KVR_TIME_SCALE holds another positive number or
// kvrSetTimeScale was called; tests shorten these with it and check the same sequences faster.
//
// Threads: any; the scale is read and written atomically.
double kvrTimeScale();
// A scale that is not positive is ignored.
void kvrSetTimeScale(double scale);
// A designed length in ms as it runs now (at least 1 ms).
int kvrScaledMs(int ms);
