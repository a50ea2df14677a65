#pragma once

#include <QString>

// What the playback engine asks of the desktop lyrics (desktopLrc, in the lyrics subsystem above
// this layer): find and show a song's lyric, and start showing it. The lyrics subsystem installs
// its implementation (g_setLyricDisplaySeam) once the window exists; until then
// LoggingLyricDisplaySeam writes a debug line. GUI thread only.
class LyricDisplaySeam
{
public:
    virtual ~LyricDisplaySeam() = default;

    // desktopLrc::loadLrcFile: the lyric of the song whose file is sSongPath (a local file, a
    // cached ".dat" copy, or a lyric file of the lyric folder); an empty text clears the lyrics.
    virtual void loadLrcFile(const QString &sSongPath) = 0;
    // desktopLrc::StartLrcDisplay.
    virtual void StartLrcDisplay() = 0;
};

// The seam in force: the installed one, or LoggingLyricDisplaySeam. Never null.
LyricDisplaySeam *g_lyricDisplaySeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setLyricDisplaySeam(LyricDisplaySeam *seam);
