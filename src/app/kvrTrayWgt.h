#pragma once

#include "shell/SliderClick.h"

#include <QDialog>
#include <QPointer>

class MainWindow;
class QLabel;
class QToolButton;

// The panel that opens beside the tray icon on its context click: play controls, the playing
// song, the volume, the switches between normal and mini mode, the desktop lyrics switch, the
// settings and quit. It paints its own white body and soft shadow on a see-through window and
// hides as soon as the keyboard focus leaves it (dragging its volume slider keeps it open).
//
// The main window creates it once with itself as parent and keeps its buttons in step with
// playback and the mode; the constructor wires the buttons to the main window. With any other
// parent (tests building it alone) it makes no such connection.
//
// Without a compositor (kvrHasCompositor) the window is opaque: the shadow ring is left out and
// the body fills the window.
//
// Threads: GUI thread only.
class kvrTrayWgt : public QDialog
{
    Q_OBJECT
public:
    explicit kvrTrayWgt(QWidget *parent = nullptr);
    ~kvrTrayWgt() override;

    // The playing song's name, shortened to the label's width; the whole name is its tool tip.
    void setTitle(const QString &text);

    // Where the panel goes for a tray icon at `icon` (an empty rectangle when the tray gives no
    // place: the cursor at `cursor` stands in for it), kept inside `available`.
    static QPoint placeFor(const QRect &icon, const QPoint &cursor, const QSize &size,
                           const QRect &available);

    QToolButton *m_tbPrev = nullptr;
    QToolButton *m_tbPlay = nullptr;
    QToolButton *m_tbPause = nullptr;
    QToolButton *m_tbNext = nullptr;
    QLabel *m_labelCurSongInfo = nullptr;
    QToolButton *m_tbVolMute = nullptr;
    SliderClick *m_slider = nullptr;
    QToolButton *m_tbSwitchMini = nullptr;
    QToolButton *m_tbSwitchtoNormal = nullptr;
    QToolButton *m_tbSwitchDeskLrc = nullptr;
    QToolButton *m_tbConfig = nullptr;
    QToolButton *m_tbQuit = nullptr;

public slots:
    void onQuitBtnClicked();
    void sendMouseEvent();

protected:
    void showEvent(QShowEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<MainWindow> m_pMainWnd;
};

extern kvrTrayWgt *g_pTrayWgt;
