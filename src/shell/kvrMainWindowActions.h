#pragma once

#include <QString>

class QUrl;

// What the shell's widgets may ask of the main window without knowing its class. The main window
// implements it and installs itself in the UI-relations object
// (GlobalMainWgtUIRelated::setMainWindowActions); the desktop lyrics and the login prompts reach
// it through that object.
class kvrMainWindowActions
{
public:
    virtual ~kvrMainWindowActions() = default;

    // Opens the settings dialog on the given page (1 is the lyrics page).
    virtual void showTheConfig(int page) = 0;
    // Closes the desktop lyrics, as unticking their switch does.
    virtual void closeLRC() = 0;
    // Opens the login dialog.
    virtual void login() = 0;

    // What the song-list pages ask of the window.
    // The 800 ms guard of playback commands: false while a command ran less than 800 ms ago;
    // otherwise it is taken (and clears itself) and the caller may go on.
    virtual bool takeBusyGuard() = 0;
    // A page's row count changed: the count field of its tab (kinds: 5 play queue, 6 recently
    // played, 7 most played, and the library and favourites pages' own).
    virtual void updateCountLabels(int nKind, int nCount) = 0;
    // Queues one song for download: file path, title, artist, album, size text ("5.00 M"),
    // duration and id; the path, size and duration are empty while the song's information is
    // not known yet.
    virtual void downloadSong(const QString &filePath, const QString &title, const QString &artist,
                              const QString &album, const QString &size, const QString &duration,
                              const QString &id) = 0;
    // The download page's 800 ms action lock: true while an action was accepted less than 800 ms
    // ago; otherwise it is taken and false comes back.
    virtual bool isDownloadBusy() = 0;
    // A command link of the player's web pages ("KEY=AllLove://...").
    virtual void dealWithWebLink(const QUrl &url) = 0;
    // The two new-item badges that point the user to the downloads.
    virtual void showDownloadBadges() = 0;
    // The removable drives and phones present, as text; empty when there are none.
    virtual QString getUsbDrives() const = 0;
};
