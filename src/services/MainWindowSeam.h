#pragma once

#include <QString>
#include <QStringList>

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

    // Values of the main window that the presence reports and the song-information answer read
    // and write. They live here so the services work without a window; the main window uses
    // these members as its own.
    QString m_sSerial;              // the installation's "sn"
    QString m_sKeyUrl;              // the key-query address of the presence reports
    QString m_sMac;                 // getMacAddress()
    QString m_sLiveId;              // empty until the start-up report is answered
    QStringList m_slPlayableStates; // play states under which network songs may play
    QString m_sCurFmId;             // the radio channel the user chose
};

// The seam in force: the installed one, or the logging default. Never null.
MainWindowSeam *g_mainWindowSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setMainWindowSeam(MainWindowSeam *seam);
