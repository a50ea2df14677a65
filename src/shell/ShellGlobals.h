#pragma once

// Program-wide values of the application shell that the shell widgets write or read.

// The play mode: 0 repeat one, 1 in order without wrap, 2 loop in order, 3 random. The play-mode
// pop-up writes 2, 0 or 3; the next-song choice of the play lists reads it.
extern int g_nPlayMode;
