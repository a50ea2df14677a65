#pragma once

#include <QDialog>

class QPainter;

// Base of the player's frameless dialogs: a white card inset by 16 pixels with a soft grey
// shadow painted into the margin. The window is translucent, so everything outside the card
// and its shadow stays clear. Dialogs built on it lay their content out with 16-pixel margins.
//
// Without a compositor (kvrHasCompositor) a translucent margin would show black, so the window is
// made opaque, the 16-pixel margins are taken out of its layout before it is first shown, and the
// card fills the whole window: the content keeps its size and the window is 32 pixels smaller.
class kvrShadowDlg : public QDialog
{
    Q_OBJECT

public:
    explicit kvrShadowDlg(QWidget *parent = nullptr);
    ~kvrShadowDlg() override;

    // The card and its sixteen shadow rings, for the dialogs that derive from QDialog directly;
    // on a window that is not translucent, the card alone over the whole window.
    static void paintShadow(QWidget *widget);

    // For the dialogs that derive from QDialog directly, in their constructor in place of setting
    // Qt::WA_TranslucentBackground: translucent with a compositor; otherwise opaque, and when the
    // window is polished (first shown) its layout's margins lose the shadow's 16 pixels, as does
    // a size given with resize() or a fixed size.
    static void prepareShadowWindow(QWidget *window);

    // Placement when shown: centres `dialog` on `reference` (its own rectangle, then offset by the
    // reference's position). Without a reference it centres on the primary screen, which stands
    // in for the desktop.
    static void centreOn(QWidget *dialog, const QWidget *reference);
    // The parent when there is one, else the desktop.
    static void centreOnParentOrDesktop(QWidget *dialog);

protected:
    void paintEvent(QPaintEvent *event) override;
};
