#pragma once

#include <QFrame>

class QLabel;
class QMenu;
class QToolButton;

// The mini player that stands in for the main window. The main window creates it hidden at
// start with its lyric button and its button back to the main window; its layout, dragging and
// menu come with the mini player itself.
class miniWgt : public QFrame
{
    Q_OBJECT
public:
    miniWgt(QWidget *parent, QToolButton *lrcButton, QToolButton *backButton);

    QToolButton *m_pTbPlay = nullptr;  // "miniTBPlaySong"
    QToolButton *m_pTbPause = nullptr; // "miniTBPauseSong"
    QToolButton *m_pTbPrev = nullptr;
    QToolButton *m_pTbNext = nullptr;
    QLabel *m_pLabelLrc = nullptr;
    QMenu *m_pMenu = nullptr;

public slots:
    void changeLrcLine(const QString &sLine);
};

extern miniWgt *g_pMiniWgt;
