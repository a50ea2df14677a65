#include "services/downloads/dlManager.h"

#include "platform/UpdateShared.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/downloads/download.h"

#include <QDebug>

dlManager::dlManager(QObject *parent)
    : RangedDownload(parent)
{
}

PartDownload *dlManager::newPart(int nPart)
{
    return new download(this, nPart);
}

void dlManager::StartFiledownload(const QString &url, int nParts)
{
    try {
        m_nState = -1;
        startParts(QUrl(url), nParts, m_nTotalSize);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void dlManager::dlFinished(bool ok)
{
    try {
        if (ok) {
            kvrupdate::recordDownloadedUpdate(g_sAppDir, m_sServerVer, m_sSelfUp);
            qCDebug(lcDownloads).noquote() << "quitting after download  successfully";
            m_nState = 1;
        } else {
            if (removePackage())
                qCDebug(lcDownloads).noquote() << "downloaded file removed";
            qCDebug(lcDownloads).noquote() << "quitting after download failed";
            m_nState = 0;
        }
        releaseParts();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

int dlManager::getDownloadedBytes()
{
    if (m_nState == 1)
        return m_nTotalSize;
    if (m_nState == 0)
        return -1;
    return int(partBytes());
}

void dlManager::cancelDownload()
{
    cancelParts();
}
