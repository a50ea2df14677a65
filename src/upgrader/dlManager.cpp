#include "upgrader/dlManager.h"

#include "platform/UpdateShared.h"
#include "upgrader/Upgrader.h"
#include "upgrader/UpgraderLog.h"
#include "upgrader/download.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QSettings>
#include <QTimer>

using namespace kvrupdate;

dlManager::dlManager(QObject *parent)
    : QObject(parent)
{
}

dlManager::~dlManager()
{
    delete m_pFile;
}

// Reported from the event loop, as a real download would be, so the caller's loop is running
// when the result arrives.
void dlManager::failSoon(const QString &why)
{
    upgraderlog::write(why);
    m_bFailed = true;
    QTimer::singleShot(0, this, [this] { emit FiledownloadFinished(false); });
}

void dlManager::StartFiledownload(const QUrl &url, int parts)
{
    m_nParts = parts;
    m_nFinished = 0;
    m_url = url;
    m_bFailed = false;

    delete m_pFile;
    m_pFile = nullptr;
    m_sFolder = privateFolder();
    if (m_sFolder.isEmpty()) {
        failSoon(QStringLiteral("no private folder for the package"));
        return;
    }
    m_pFile = new QFile(m_sFolder + QLatin1Char('/') + QString::fromUtf16(kPackageFileName));
    if (!m_pFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        failSoon(QStringLiteral("cannot open the package file: ") + m_pFile->errorString());
        return;
    }
    upgraderlog::write(QStringLiteral("Start download file from ") + url.toDisplayString());
    // Only the web is a source: a "file:" address from the service would copy a local file
    // into the package that is later executed.
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https")) {
        failSoon(QStringLiteral("not a web address"));
        return;
    }
    if (parts < 1 || m_nTotalSize <= 0) {
        // Without a size no package can be told whole: an empty answer would pass as one.
        failSoon(QStringLiteral("no parts or no size to download"));
        return;
    }

    const qint64 total = m_nTotalSize;
    for (int i = 0; i < parts; ++i) {
        qint64 start = i * total / parts;
        if (i > 0)
            --start; // parts overlap by a byte, written twice with the same content
        const qint64 end = parts == 1 ? -1 : (i + 1) * total / parts;
        // A part asked for the rest of the file may bring at most the rest of the announced size.
        const qint64 maxBytes = end == -1 ? qMax<qint64>(0, total - start) : end - start + 1;
        auto *part = new download(this, i + 1);
        connect(part, &download::downloadFinished, this, &dlManager::SubPartFinished);
        connect(part, &download::downloadFinished, part, &QObject::deleteLater);
        part->startDownload(url, m_pFile, start, end, maxBytes);
    }
}

void dlManager::SubPartFinished(bool ok)
{
    ++m_nFinished;
    if (!ok)
        m_bFailed = true;
    if (m_nFinished != m_nParts)
        return;
    m_pFile->close();
    // Complete means every byte that was announced: a short or long package would otherwise be
    // taken for the installer on the next run.
    if (!m_bFailed && m_pFile->size() != m_nTotalSize) {
        upgraderlog::write(
            QStringLiteral("down size wrong: %1 of %2").arg(m_pFile->size()).arg(m_nTotalSize));
        m_bFailed = true;
    }
    emit FiledownloadFinished(!m_bFailed);
    upgraderlog::write(QStringLiteral("download finished"));
}

void dlManager::dlFinished(bool ok)
{
    if (ok) {
        const QDate today = QDate::currentDate();
        QSettings temp(m_sFolder + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                       QSettings::IniFormat);
        temp.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyy-MM-dd")));
        QSettings install(m_sInstallDir + QLatin1Char('/') + QString::fromUtf16(kConfigFileName),
                          QSettings::IniFormat);
        install.setValue(QString::fromUtf16(kKeyUpd), today.toString(QStringLiteral("yyyyMMdd")));
        install.setValue(QString::fromUtf16(kKeySoftVer1), m_sServerVer);
        install.setValue(QString::fromUtf16(kKeySelfUpdate), m_sSelfUp);
        upgraderlog::write(QStringLiteral("quitting after download  successfully"));
    } else {
        if (m_pFile && m_pFile->remove())
            upgraderlog::write(QStringLiteral("downloaded file removed"));
        upgraderlog::write(QStringLiteral("quitting after download failed"));
    }
    // A failed download must not end the run as a success.
    QCoreApplication::exit(ok ? 0 : ExitFailed);
}
