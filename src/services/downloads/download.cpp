#include "services/downloads/download.h"

download::download(QObject *parent, int nPart)
    : PartDownload(parent, nPart)
{
}
