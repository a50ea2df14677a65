#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class PostLogObject;

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
// (g_setMainWindowSeam(nullptr)). Until then, and in tests, the base class answers: every
// operation writes a debug line and returns at once (message boxes return 0, "no"), and the
// values below are kept in memory.
//
// Every operation is called on the GUI thread. Implementations may run a modal loop inside the
// message boxes, as the main window's own boxes do; callers are written for that re-entrance.
class MainWindowSeam
{
public:
    virtual ~MainWindowSeam();

    // The toast hint over the main window (kvrLabelInfoHint::showHint on g_pInfoHint), fading
    // after 1800 ms.
    virtual void showHint(const QString &text);

    // The program's modal message box kvrMessageBox with the main window as parent. An empty
    // title shows "提示"; buttonType 0 yes/no (non-zero result for yes), 1 one "关闭" button,
    // any other no button. Returns the box's result.
    virtual int execMessageBox(const QString &title, const QString &text, int buttonType);

    // g_execDialog: kvrMessageBox without parent, frameless, with the close button (type 1), run
    // modally until closed.
    virtual void execDialog(const QString &title, const QString &text);

    // g_showBassError: a critical message box with no parent and one OK button.
    virtual void showCriticalMessage(const QString &title, const QString &text);

    // Main-window slots that answers of the web service trigger.
    virtual void updatePreURL();        // the four-hourly URL-index refresh
    virtual void retryRequestNetList(); // the random-listening list, two minutes after a failure
    virtual void syncFavList();         // full favourite synchronisation
    virtual void cleanFavAfterLogout(); // empties the three favourites pages
    virtual void enableSyncFavButton(); // g_pBtnSyncFav enabled again
    // The online-count label g_labelCurUserCount: its text and tool tip.
    virtual void setOnlineCount(const QString &text, const QString &toolTip);
    // A click on the play panel's next-song button "btnNext".
    virtual void clickNextButton();

    // What the playback controller, the radio queue and the song-information answer ask of the
    // play panel.
    // The title line for the network player's states: 0 preparing (s the song's name), 1 asking
    // for the stream address, 2 buffering (s the animated text), 3 playing (s the song's name),
    // 4 stopped (s empty).
    virtual void changeNetplayStatus(int nStatus, const QString &s);
    // A stream started playing (equalizer, play buttons, elapsed-time timer, volume).
    virtual void dealWithPlayStarted();
    // Playing stopped for good: the panel returns to idle.
    virtual void resetPlayingInfo();
    // The 800 ms busy guard of playback commands; with true it clears itself.
    virtual void DisableSth(bool bAutoEnable);
    // Stops the elapsed-time timer (a song ended or failed).
    virtual void stopElapsedTimer();
    // A network song plays from its cached file: the main window hands both to the playing list
    // (by g_nPlayingListId: the list pages, or the radio queue for 4), which reads the file's
    // length into sDur ("mm:ss") and its playing row. The default only logs.
    virtual void changeCurPlayingNetSongDur(QString &sDur, const QString &sLocalSong);
    // The love button shows whether the song (0: none) is a favourite.
    virtual void setLoveBtnState(quint32 id);
    // The local-library pages take over the records of g_listLocalSongs (the caller empties it).
    // The default frees them, as there are no pages to own them.
    virtual void refreshLocalWgts();
    // Hides the seek bar's hover time label when it exists and is visible.
    virtual void hideSliderTimeHint();
    // The current song ended by itself (nReason 0). The audio layer reports the end on its own
    // thread; the controller brings it to the GUI thread, drops it when another song has started
    // meanwhile, and then calls this. The main window emits songPlayStopped, whose connections
    // record the song as listened to and then start the next one
    // (songplayHandler::StartPlayNextSong). The default calls StartPlayNextSong directly.
    virtual void songPlayStopped(int nReason);

    // The two album-picture labels of the UI-relations object (g_pUIRelated): the play panel's
    // 50 x 50 label gets pic50, the mini window's label pic70. Nothing while the window has not
    // created them yet.
    virtual void showAlbumPictures(const QImage &pic50, const QImage &pic70);
    // The main window's user-picture label "labelUserImage".
    virtual void showUserPicture(const QImage &picture);
    // The radio channel row: one checkable channel button (the first checked) and one embedded
    // page per channel, in this order, replacing the previous row.
    virtual void setRadioChannels(const QList<FmChannelInfo> &channels);

    // Values of the main window that the presence reports and the song-information answer read
    // and write. They live here so the services work without a window; the main window uses
    // these members as its own.
    QString m_sSerial;                      // the installation's "sn"
    QString m_sKeyUrl;                      // the key-query address of the presence reports
    QString m_sMac;                         // getMacAddress()
    QString m_sLiveId;                      // empty until the start-up report is answered
    QStringList m_slPlayableStates;         // play states under which network songs may play
    QString m_sCurFmId;                     // the radio channel the user chose
    PostLogObject *m_pPostLogObj = nullptr; // the report poster (owned by the main window)
    // The download watch of a streamed song and the song length, written by the playback
    // controller when a song starts.
    qint64 m_llStreamStart = 0; // file offset where the song's data starts (0 until read)
    qint64 m_llStreamEnd = 0;   // end of the data: first the song's expected size in bytes
    int m_nSongSeconds = 0;     // length of the playing song in whole seconds
};

// The seam in force: the installed one, or the logging default. Never null.
MainWindowSeam *g_mainWindowSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setMainWindowSeam(MainWindowSeam *seam);
