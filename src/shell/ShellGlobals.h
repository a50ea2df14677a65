#pragma once

// Program-wide values of the application shell that the shell widgets write or read.
//
// Threads: GUI thread only.

// The play mode: 0 repeat one, 1 in order without wrap, 2 loop in order, 3 random. The play-mode
// pop-up writes 2, 0 or 3; the next-song choice of the play lists reads it.
extern int g_nPlayMode;
// The equalizer is on ("eq" not "0"), and pause, resume and seek fade ("siso" is "1"); restored
// by the main window at start.
extern bool g_bEqOn;
extern bool g_bFadeInOut;

class QString;

// Makes a Chinese sans face installed on the machine (Noto Sans CJK SC first) the application
// font's family, and its substitute for the faces the style sheet and the lyrics name, which Linux
// does not have: "微软雅黑", "宋体" and "幼圆". Naming the simplified-Chinese face keeps the Chinese
// forms of Han characters under any locale, where a fallback would pick the Japanese ones outside
// a Chinese locale. Called by main once the application exists. Returns the family used, or an
// empty text (and changes nothing) when no such face is installed.
QString kvrInstallChineseFonts();
