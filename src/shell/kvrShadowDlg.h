#pragma once

#include <QDialog>

class QPainter;

// Base of the player's frameless dialogs: a white card inset by 16 pixels with a soft grey
// shadow painted into the margin. The window is translucent, so everything outside the card
// and its shadow stays clear. Dialogs built on it lay their content out with 16-pixel margins.
class kvrShadowDlg : public QDialog
{
    Q_OBJECT

public:
    explicit kvrShadowDlg(QWidget *parent = nullptr);
    ~kvrShadowDlg() override;

    // The card and its sixteen shadow rings, for the dialogs that derive from QDialog directly.
    static void paintShadow(QWidget *widget);

    // Placement when shown: centres `dialog` on `reference` (its own rectangle, then offset by the
    // reference's position). Without a reference it centres on the primary screen, which stands
    // in for the desktop.
    static void centreOn(QWidget *dialog, const QWidget *reference);
    // The parent when there is one, else the desktop.
    static void centreOnParentOrDesktop(QWidget *dialog);

protected:
    void paintEvent(QPaintEvent *event) override;
};
