#pragma once

class QRect;
class QWidget;

// Helpers of the small pop-ups (volume, play mode) that close when they lose the focus.

// Whether the mouse pointer is over the visible widget `w`.
bool kvrIsMouseOver(const QWidget *w);

// Shows a pop-up window and gives it the keyboard focus: on Linux a newly shown window is not
// always activated, and a pop-up that never had the focus would never lose it and close.
void kvrShowPopup(QWidget *popup, QWidget *focus);

// The dark panel of the volume and play-mode pop-ups: black at alpha 176 over `panel`, the rest of
// the window clear. Without a compositor the window is opaque, so the panel is painted in the
// colour it would show over the window, and the window is cut to the panel's shape.
void kvrPreparePopupPanel(QWidget *popup, const QRect &panel);
void kvrPaintPopupPanel(QWidget *popup, const QRect &panel);
