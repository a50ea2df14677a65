#pragma once

#include <QWidget>

// The transparent lyric line on the desktop. The main window creates it at start and drives it
// by its play signals; reading, timing and drawing lyrics come with the lyrics.
class desktopLrc : public QWidget
{
    Q_OBJECT
public:
    explicit desktopLrc(QWidget *parent = nullptr);

public slots:
    void changeLrcDir(const QString &sDir);
    void StartLrcDisplay();
    void pauseLrcDisplay();
    void stopLrcDisplay();
    void showmyself();
    // The lyric of the song file (an empty name: none).
    void loadLrcFile(const QString &sSongPath);

signals:
    void lrcLineChanged(const QString &sLine);
};

extern desktopLrc *g_pDesktopLrc;
