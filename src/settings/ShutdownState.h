#pragma once

#include <QtGlobal>

#include <functional>

class QTimer;

// The main window's timed-shutdown state. The main window owns it and its one-second tick
// (tickTimer) does the counting: mode 2 powers off once secondsLeft reaches 0 and counts down,
// mode 3 once every download has finished. The dialog only edits it.
struct ShutdownState
{
    int mode = 1;      // 1 none, 2 at a clock time, 3 after the downloads
    int hourIndex = 0; // the dialog's last hour and minute choice; 0 is "not stored"
    int minuteIndex = 0;
    qint64 secondsLeft = 0;
    QTimer *tickTimer = nullptr;           // started (1000 ms) for modes 2 and 3, stopped for 1
    std::function<int()> downloadRowCount; // rows of the download list; unset counts as none
};
