#pragma once

#include <QEvent>

// The player's own event. The main window posts one to its search line edit to run the favourite
// synchronisation the next time the event loop turns, instead of in the middle of a caller:
//   1000  posted by MainWindow::syncFavAct
//   1001  posted by MainWindow::postFavSyncEvent
class CusEvent : public QEvent
{
public:
    enum : int
    {
        SyncFavAct = 1000,
        PostFavSync = 1001,
    };

    explicit CusEvent(int type);
    ~CusEvent() override;
};
