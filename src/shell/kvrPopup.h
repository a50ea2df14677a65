#pragma once

class QWidget;

// Helpers of the small pop-ups (volume, play mode) that close when they lose the focus.

// Whether the mouse pointer is over the visible widget `w`.
bool kvrIsMouseOver(const QWidget *w);

// Shows a pop-up window and gives it the keyboard focus: on Linux a newly shown window is not
// always activated, and a pop-up that never had the focus would never lose it and close.
void kvrShowPopup(QWidget *popup, QWidget *focus);
