#include "upgrader/download.h"

#include "upgrader/UpgraderLog.h"

download::download(QObject *parent, int index)
    : PartDownload(parent, index)
{
}

void download::note(const QString &line)
{
    upgraderlog::write(line);
}
