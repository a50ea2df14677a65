#pragma once

#include <QObject>

class QAction;
class QLabel;
class volButton;

// Holds the few widgets of the main window and the mini player that objects elsewhere need but
// cannot reach through their owners, and forwards two requests of the desktop lyrics to the main
// window. The widgets are not owned; their Qt parents own them.
//
// The main window creates it early in its constructor with itself as the parent: the two requests
// are delivered to the parent's slots showTheConfig(int) and toggleLRC(bool).
class GlobalMainWgtUIRelated : public QObject
{
    Q_OBJECT

public:
    explicit GlobalMainWgtUIRelated(QObject *parent = nullptr);
    ~GlobalMainWgtUIRelated() override;

    QAction *m_pActEq = nullptr;            // "显示均衡器", checkable
    QLabel *m_pLabelMiniAlbumPic = nullptr; // "miniWgtm_plabelMiniAlbumPic"
    QLabel *m_pLabelAlbumPic = nullptr;     // the play panel's picture, at most 50 x 50
    volButton *m_pBtnUnmute = nullptr;      // "btnunmute"
    volButton *m_pBtnMute = nullptr;        // "btnmute"

public slots:
    void showTheConfig(int page);
    void closeLRC();
};

extern GlobalMainWgtUIRelated *g_pUIRelated;
