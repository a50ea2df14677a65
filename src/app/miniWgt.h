#pragma once

#include <QFrame>
#include <QPoint>
#include <QPointer>

class MainWindow;
class QAction;
class QEnterEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QToolButton;

// The small always-on-top window that stands in for the main window in mini mode: the album
// picture, the song title, the play controls and the favourite button. The controls show only
// while the pointer is over the window; otherwise the current lyric line takes their place.
//
// The main window creates it once, hidden, with itself as parent, and passes its lyric switch
// "miniTBLrc" and its button back to normal mode "btnToggleMiniC". The constructor wires the
// controls and the menu to the main window; with any other parent (tests building it alone) it
// makes no such connection.
//
// Threads: GUI thread only.
class miniWgt : public QFrame
{
    Q_OBJECT
public:
    miniWgt(QWidget *parent, QToolButton *lrcButton, QToolButton *backButton);
    ~miniWgt() override;

    QLabel *m_plabelMiniAlbumPic = nullptr; // also published as g_pUIRelated->m_pLabelMiniAlbumPic
    QFrame *m_pFrameRight = nullptr;
    QFrame *m_pFrameRightTop = nullptr;
    QLabel *m_miniLabelTitle = nullptr; // the main window writes the playing song here
    QToolButton *m_pbtnMin = nullptr;
    QToolButton *m_pbtnToggleMiniC = nullptr; // the main window's, placed here
    QToolButton *m_pbtnClose = nullptr;
    QLabel *m_plabelMiniLrc = nullptr;
    QToolButton *m_pTbPrev = nullptr;  // "miniTBPrevSong"
    QToolButton *m_pTbPlay = nullptr;  // "miniTBPlaySong"
    QToolButton *m_pTbPause = nullptr; // "miniTBPauseSong"
    QToolButton *m_pTbNext = nullptr;  // "miniTBNextSong"
    QToolButton *m_pbtnLove = nullptr;
    QMenu *m_pMenu = nullptr;
    QAction *m_pActTopMost = nullptr; // "总在最前"

public slots:
    void changeLrcLine(const QString &sLine);
    void playContextMenu(const QPoint &pos);
    void setTopMost(bool bTopmost);
    void addtoMorenGedan();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QPointer<MainWindow> m_pMainWnd;
    bool m_bDragging = false;
    QPoint m_ptPressGlobal;
    QPoint m_ptWindowAtPress;
};

extern miniWgt *g_pMiniWgt;
