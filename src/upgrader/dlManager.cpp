#include "upgrader/dlManager.h"

#include "platform/UpdateShared.h"
#include "upgrader/Upgrader.h"
#include "upgrader/UpgraderLog.h"
#include "upgrader/download.h"

#include <QCoreApplication>

dlManager::dlManager(QObject *parent)
    : RangedDownload(parent)
{
}

void dlManager::note(const QString &line)
{
    upgraderlog::write(line);
}

PartDownload *dlManager::newPart(int nPart)
{
    return new download(this, nPart);
}

void dlManager::StartFiledownload(const QUrl &url, int parts)
{
    startParts(url, parts, m_nTotalSize);
}

void dlManager::dlFinished(bool ok)
{
    if (ok) {
        kvrupdate::recordDownloadedUpdate(m_sInstallDir, m_sServerVer, m_sSelfUp);
        upgraderlog::write(QStringLiteral("quitting after download  successfully"));
    } else {
        if (removePackage())
            upgraderlog::write(QStringLiteral("downloaded file removed"));
        upgraderlog::write(QStringLiteral("quitting after download failed"));
    }
    // A failed download must not end the run as a success.
    QCoreApplication::exit(ok ? 0 : ExitFailed);
}
