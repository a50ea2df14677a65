#include "services/downloads/dlManager.h"

#include "platform/UpdateShared.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/downloads/download.h"

#include <QDate>
#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QTimer>

using namespace kvrupdate;

dlManager::dlManager(QObject *parent)
    : QObject(parent)
    , m_pFile(new QFile)
{
}

dlManager::~dlManager()
{
    qDeleteAll(m_listParts);
    m_listParts.clear();
    delete m_pFile;
}

QString dlManager::packagePath()
{
    const QString folder = privateFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + QString::fromUtf16(kPackageFileName);
}

// Reported from the event loop, as a real download's end would be, so the caller has connected
// and is waiting when the result arrives.
void dlManager::failSoon(const QString &why)
{
    qDebug().noquote() << Q_FUNC_INFO << why;
    m_bFailed = true;
    QTimer::singleShot(0, this, [this]() { emit FiledownloadFinished(false); });
}

void dlManager::StartFiledownload(const QString &url, int nParts)
{
    try {
        m_nParts = nParts;
        m_nReported = 0;
        m_url = QUrl(url);
        m_bFailed = false;
        qDeleteAll(m_listParts);
        m_listParts.clear();
        m_nState = -1;

        if (m_pFile->isOpen())
            m_pFile->close();
        const QString path = packagePath();
        if (path.isEmpty()) {
            failSoon(QStringLiteral("no private folder for the package"));
            return;
        }
        m_pFile->setFileName(path);
        if (!m_pFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            failSoon(QStringLiteral("cannot open the package file: ") + m_pFile->errorString());
            return;
        }
        qDebug().noquote() << "Start download file from " + url;
        const QString scheme = m_url.scheme().toLower();
        if (!m_url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            // A "file:" address would copy a local file into a package that is executed later.
            failSoon(QStringLiteral("not a web address"));
            return;
        }
        if (nParts < 1 || m_nTotalSize <= 0) {
            // Without a size there is nothing to split, and no way to tell a whole package.
            failSoon(QStringLiteral("no parts or no size"));
            return;
        }

        const qint64 total = m_nTotalSize;
        for (int i = 0; i < nParts; ++i) {
            qint64 start = i * total / nParts;
            if (i > 0)
                --start; // both ends are included: neighbours overlap and write the same bytes
            const qint64 end = nParts == 1 ? -1 : (i + 1) * total / nParts;
            const qint64 maxBytes = end == -1 ? qMax<qint64>(0, total - start) : end - start + 1;
            auto *part = new download(this, i + 1);
            part->setTransferTimeout(m_nTransferTimeoutMs);
            m_listParts.append(part);
            connect(part, &download::downloadFinished, this, &dlManager::SubPartFinished);
            part->startDownload(m_url, m_pFile, start, end, maxBytes);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void dlManager::SubPartFinished(bool ok)
{
    ++m_nReported;
    if (!ok)
        m_bFailed = true;
    if (m_nReported != m_nParts)
        return;
    const qint64 size = m_pFile->size();
    m_pFile->close();
    if (!m_bFailed && size != m_nTotalSize) {
        qDebug().noquote() << Q_FUNC_INFO << "package size" << size << "is not" << m_nTotalSize;
        m_bFailed = true;
    }
    // A server may answer a range with less than asked: the size is then right, but a gap
    // between the parts holds zeros instead of the package.
    qint64 covered = 0;
    for (download *part : std::as_const(m_listParts)) {
        if (part->start() > covered)
            break;
        covered = qMax(covered, part->start() + part->written());
    }
    if (!m_bFailed && covered < m_nTotalSize) {
        qDebug().noquote() << Q_FUNC_INFO << "parts cover" << covered << "of" << m_nTotalSize;
        m_bFailed = true;
    }
    emit FiledownloadFinished(!m_bFailed);
    qDebug().noquote() << " download finished";
}

void dlManager::dlFinished(bool ok)
{
    try {
        if (ok) {
            const QDate today = QDate::currentDate();
            QSettings temp(privateFolder() + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                           QSettings::IniFormat);
            temp.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyy-MM-dd")));
            QSettings install(g_sAppDir + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                              QSettings::IniFormat);
            install.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyyMMdd")));
            install.setValue(QString::fromUtf16(kKeySoftVer1), m_sServerVer);
            install.setValue(QString::fromUtf16(kKeySelfUpdate), m_sSelfUp);
            qDebug().noquote() << "quitting after download  successfully";
            m_nState = 1;
        } else {
            if (m_pFile->isOpen())
                m_pFile->close();
            if (!m_pFile->fileName().isEmpty() && m_pFile->remove())
                qDebug().noquote() << "downloaded file removed";
            qDebug().noquote() << "quitting after download failed";
            m_nState = 0;
        }
        for (download *part : std::as_const(m_listParts))
            part->deleteLater();
        m_listParts.clear();
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
    int sum = 0;
    for (download *part : std::as_const(m_listParts))
        sum += int(part->written());
    return sum;
}

void dlManager::cancelDownload()
{
    for (download *part : std::as_const(m_listParts))
        part->cancel();
}
