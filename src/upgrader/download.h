#pragma once

#include "platform/PartDownload.h"

// One part of the upgrader's ranged download (dlManager). The transfer itself, what it accepts
// and what it refuses, is the platform's PartDownload, shared with the player; this class writes
// its lines to the upgrader's log. Lives on the GUI thread.
class download : public PartDownload
{
    Q_OBJECT

public:
    download(QObject *parent, int index);

protected:
    void note(const QString &line) override;
};
