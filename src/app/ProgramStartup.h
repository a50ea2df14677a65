#pragma once

#include <QString>

// The steps of the player's start before the main window exists, each a function so the whole
// program's tests and main run the same code.

// The named mutex of the player, from which the single-instance lock and channel are named.
extern const QString kInstanceMutex;

// Chooses how the embedded web pages reach the screen; call before the application object
// exists. A window holding a GL-composed view is composed through GL as a whole, so every
// one-second repaint of the play panel became a composition of the whole window (software GL on
// many desktops, and several times the CPU of decoding the song). The pages are simple and render
// as well in software, which keeps the window on the raster path. A QT_QUICK_BACKEND the user set
// is kept.
void g_chooseWebRendering();

// The per-user data folder with "/" separators and no trailing one, made with all its parents
// when missing (an empty text when even that fails).
QString g_prepareDataDir();

// Copies the installation's seed "configu.ini" into the data folder unless one is there; an
// existing file is never touched. Returns whether the data folder now has one.
bool g_seedUserConfig(const QString &appDir, const QString &dataDir);

// The style sheet: "ss.css" deciphered. ok is false when the file is missing, unreadable, empty
// or not a cipher text of the built-in key; styleVars is the part before "kvrkvrkvr*" (the whole
// text without the marker).
struct StyleSheetLoad
{
    bool ok = false;
    QString styleSheet;
    QString styleVars;
};
StyleSheetLoad g_loadStyleSheet(const QString &path);

// The message of a missing or damaged installation.
QString g_integrityMessage();
// The message of a second start while the first has no window yet.
QString g_secondStartText();
