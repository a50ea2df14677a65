#pragma once

class QWidget;

// Stay on top for the main window and the mini player: its window flags lose or gain the
// stays-on-top hint, keeping the others, and it is shown again (changing the flags hides a
// window).
void g_setTopMost(QWidget *window, bool bTopmost);
