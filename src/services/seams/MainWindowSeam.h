#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QtGlobal>

// One radio channel of the service's channel list (name and page address, in the list's order).
struct FmChannelInfo
{
    QString name;
    QString url;
};

// The engine services' only road to the main window and its widgets. The services never include
// a Widgets header; what they need of the window goes through this interface, so the whole layer
// builds, runs and is tested without a window.
//
// The application installs its implementation once the main window exists
// (g_setMainWindowSeam(window)) and removes it before the window is destroyed
// (g_setMainWindowSeam(nullptr)). Until then LoggingMainWindowSeam answers: every operation
// writes a debug line and returns at once (message boxes return 0, "no").
//
// The interface carries no state: what the window shows is the window's, what the services
// remember is the services' (the presence reports in PresenceState, the playing song's stream
// watch in PlaybackSession, the radio channel in RadioPlayHandler).
//
// Every operation is called on the GUI thread. Implementations may run a modal loop inside the
// message boxes, as the main window's own boxes do; callers are written for that re-entrance.
class MainWindowSeam
{
public:
    virtual ~MainWindowSeam() = default;

    // The toast hint over the main window (kvrLabelInfoHint::showHint on g_pInfoHint), fading
    // after 1800 ms.
    virtual void showHint(const QString &text) = 0;

    // The program's modal message box kvrMessageBox with the main window as parent. An empty
    // title shows "提示"; buttonType 0 yes/no (non-zero result for yes), 1 one "关闭" button,
    // any other no button. Returns the box's result.
    virtual int execMessageBox(const QString &title, const QString &text, int buttonType) = 0;

    // g_execDialog: kvrMessageBox without parent, frameless, with the close button (type 1), run
    // modally until closed.
    virtual void execDialog(const QString &title, const QString &text) = 0;

    // g_showBassError: a critical message box with no parent and one OK button.
    virtual void showCriticalMessage(const QString &title, const QString &text) = 0;

    // Main-window slots that answers of the web service trigger.
    virtual void updatePreURL() = 0;        // the four-hourly URL-index refresh
    virtual void retryRequestNetList() = 0; // the random-listening list, two minutes after a failure
    virtual void syncFavList() = 0;         // full favourite synchronisation
    virtual void cleanFavAfterLogout() = 0; // empties the three favourites pages
    virtual void enableSyncFavButton() = 0; // g_pBtnSyncFav enabled again
    // The online-count label g_labelCurUserCount: its text and tool tip.
    virtual void setOnlineCount(const QString &text, const QString &toolTip) = 0;
    // A click on the play panel's next-song button "btnNext".
    virtual void clickNextButton() = 0;

    // What the playback controller, the radio queue and the song-information answer ask of the
    // play panel.
    // The title line for the network player's states (NetplayStatus): 0 preparing (s the song's
    // name), 1 asking for the stream address, 2 buffering (s the animated text), 3 playing (s the
    // song's name), 4 stopped (s empty).
    virtual void changeNetplayStatus(int nStatus, const QString &s) = 0;
    // A stream started playing (equalizer, play buttons, elapsed-time timer, volume).
    virtual void dealWithPlayStarted() = 0;
    // Playing stopped for good: the panel returns to idle.
    virtual void resetPlayingInfo() = 0;
    // The 800 ms busy guard of playback commands; with true it clears itself.
    virtual void DisableSth(bool bAutoEnable) = 0;
    // Stops the elapsed-time timer (a song ended or failed).
    virtual void stopElapsedTimer() = 0;
    // A network song plays from its cached file: the main window hands both to the playing list
    // (by g_nPlayingListId: the list pages, or the radio queue for 4), which reads the file's
    // length into sDur ("mm:ss") and its playing row. The default only logs.
    virtual void changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong) = 0;
    // The love button shows whether the song (0: none) is a favourite.
    virtual void setLoveBtnState(quint32 id) = 0;
    // The local-library pages take over the records of g_listLocalSongs (the caller empties it).
    // The default frees them, as there are no pages to own them.
    virtual void refreshLocalWgts() = 0;
    // Hides the seek bar's hover time label when it exists and is visible.
    virtual void hideSliderTimeHint() = 0;
    // The current song ended by itself (nReason 0). The audio layer reports the end on its own
    // thread; the controller brings it to the GUI thread, drops it when another song has started
    // meanwhile, and then calls this. The main window emits songPlayStopped, whose connections
    // record the song as listened to and then start the next one
    // (songplayHandler::StartPlayNextSong). The default calls StartPlayNextSong directly.
    virtual void songPlayStopped(int nReason) = 0;

    // The two album-picture labels of the UI-relations object (g_pUIRelated): the play panel's
    // 50 x 50 label gets pic50, the mini window's label pic70. Nothing while the window has not
    // created them yet.
    virtual void showAlbumPictures(const QImage &pic50, const QImage &pic70) = 0;
    // The main window's user-picture label "labelUserImage".
    virtual void showUserPicture(const QImage &picture) = 0;
    // The radio channel row: one checkable channel button (the first checked) and one embedded
    // page per channel, in this order, replacing the previous row.
    virtual void setRadioChannels(const QList<FmChannelInfo> &channels) = 0;
};

// The seam in force: the installed one, or LoggingMainWindowSeam. Never null.
MainWindowSeam *g_mainWindowSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setMainWindowSeam(MainWindowSeam *seam);
