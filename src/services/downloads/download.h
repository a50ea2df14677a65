#pragma once

#include "platform/PartDownload.h"

// One part of the player's ranged download of the installer package (dlManager). The transfer
// itself, what it accepts and what it refuses, is the platform's PartDownload, shared with the
// upgrader; this class writes its lines to the player's debug log.
//
// Threads: as PartDownload (GUI thread; the byte count under its own lock).
class download : public PartDownload
{
    Q_OBJECT
public:
    download(QObject *parent, int nPart);
};
