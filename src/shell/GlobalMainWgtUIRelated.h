#pragma once

#include <QObject>

class QAction;
class QLabel;
class kvrMainWindowActions;
class volButton;

// Holds the few widgets of the main window and the mini player that objects elsewhere need but
// cannot reach through their owners, and forwards the desktop lyrics' and the login prompts'
// requests to the main window. The widgets are not owned; their Qt parents own them.
//
// The main window creates it early in its constructor (without a parent) and installs itself as
// the receiver of the requests with setMainWindowActions(); until then, and after it removes
// itself, a request writes a debug line and does nothing.
//
// Threads: GUI thread only.
class GlobalMainWgtUIRelated : public QObject
{
    Q_OBJECT

public:
    explicit GlobalMainWgtUIRelated(QObject *parent = nullptr);
    ~GlobalMainWgtUIRelated() override;

    // Not owned; pass nullptr before the window goes away.
    void setMainWindowActions(kvrMainWindowActions *actions) { m_pActions = actions; }
    kvrMainWindowActions *mainWindowActions() const { return m_pActions; }

    QAction *m_pActEq = nullptr;            // "显示均衡器", checkable
    QLabel *m_pLabelMiniAlbumPic = nullptr; // "miniWgtm_plabelMiniAlbumPic"
    QLabel *m_pLabelAlbumPic = nullptr;     // the play panel's picture, at most 50 x 50
    volButton *m_pBtnUnmute = nullptr;      // "btnunmute"
    volButton *m_pBtnMute = nullptr;        // "btnmute"

public slots:
    void showTheConfig(int page);
    void closeLRC();
    void login();

private:
    kvrMainWindowActions *m_pActions = nullptr;
};

extern GlobalMainWgtUIRelated *g_pUIRelated;
