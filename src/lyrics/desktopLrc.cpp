#include "lyrics/desktopLrc.h"

#include "lyrics/LyricsLog.h"

desktopLrc *g_pDesktopLrc = nullptr;

desktopLrc::desktopLrc(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("desktopLrc"));
}

void desktopLrc::changeLrcDir(const QString &sDir)
{
    qCDebug(lcLyrics) << "lyric folder" << sDir;
}

void desktopLrc::StartLrcDisplay()
{
    qCDebug(lcLyrics) << "start lyric display";
}

void desktopLrc::pauseLrcDisplay()
{
    qCDebug(lcLyrics) << "pause lyric display";
}

void desktopLrc::stopLrcDisplay()
{
    qCDebug(lcLyrics) << "stop lyric display";
}

void desktopLrc::showmyself()
{
    qCDebug(lcLyrics) << "desktop lyrics asked to show";
}

void desktopLrc::loadLrcFile(const QString &sSongPath)
{
    qCDebug(lcLyrics) << "desktop lyrics asked to load the lyric of" << sSongPath;
}
