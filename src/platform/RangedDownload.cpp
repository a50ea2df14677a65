#include "platform/RangedDownload.h"

#include "platform/PartDownload.h"
#include "platform/UpdateShared.h"

#include <QDebug>
#include <QTimer>

RangedDownload::RangedDownload(QObject *parent)
    : QObject(parent)
{
}

RangedDownload::~RangedDownload()
{
    // Before the file: a part's end must not reach a half-destroyed manager.
    qDeleteAll(m_listParts);
    m_listParts.clear();
}

QString RangedDownload::packagePath()
{
    const QString folder = kvrupdate::privateFolder();
    return folder.isEmpty() ? QString()
                            : folder + QLatin1Char('/') + QString::fromUtf16(kvrupdate::kPackageFileName);
}

void RangedDownload::note(const QString &line)
{
    qDebug().noquote() << line;
}

void RangedDownload::failSoon(const QString &why)
{
    note(why);
    m_bFailed = true;
    QTimer::singleShot(0, this, [this]() { emit FiledownloadFinished(false); });
}

void RangedDownload::startParts(const QUrl &url, int nParts, qint64 total)
{
    m_nParts = nParts;
    m_nReported = 0;
    m_nTotal = total;
    m_bFailed = false;
    qDeleteAll(m_listParts);
    m_listParts.clear();

    if (m_file.isOpen())
        m_file.close();
    const QString path = packagePath();
    if (path.isEmpty()) {
        failSoon(QStringLiteral("no private folder for the package"));
        return;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        failSoon(QStringLiteral("cannot open the package file: ") + m_file.errorString());
        return;
    }
    note(QStringLiteral("Start download file from ") + url.toDisplayString());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        failSoon(QStringLiteral("not a web address"));
        return;
    }
    if (nParts < 1 || total <= 0) {
        // Without a size there is nothing to split, and no way to tell a whole package: an empty
        // answer would pass as one.
        failSoon(QStringLiteral("no parts or no size to download"));
        return;
    }

    for (int i = 0; i < nParts; ++i) {
        qint64 start = i * total / nParts;
        if (i > 0)
            --start; // both ends are included: neighbours overlap and write the same bytes
        const qint64 end = nParts == 1 ? -1 : (i + 1) * total / nParts;
        // A part asked for the rest of the file may bring at most the rest of the announced size.
        const qint64 maxBytes = end == -1 ? qMax<qint64>(0, total - start) : end - start + 1;
        PartDownload *part = newPart(i + 1);
        part->setTransferTimeout(m_nTransferTimeoutMs);
        m_listParts.append(part);
        connect(part, &PartDownload::downloadFinished, this, &RangedDownload::SubPartFinished);
        part->startDownload(url, &m_file, start, end, maxBytes);
    }
}

void RangedDownload::SubPartFinished(bool ok)
{
    ++m_nReported;
    if (!ok)
        m_bFailed = true;
    if (m_nReported != m_nParts)
        return;
    const qint64 size = m_file.size();
    m_file.close();
    if (!m_bFailed && size != m_nTotal) {
        note(QStringLiteral("down size wrong: %1 of %2").arg(size).arg(m_nTotal));
        m_bFailed = true;
    }
    // A server may answer a range with less than asked: the size is then right, but a gap
    // between the parts holds zeros instead of the package.
    qint64 covered = 0;
    for (PartDownload *part : std::as_const(m_listParts)) {
        if (part->start() > covered)
            break;
        covered = qMax(covered, part->start() + part->written());
    }
    if (!m_bFailed && covered < m_nTotal) {
        note(QStringLiteral("parts cover %1 of %2").arg(covered).arg(m_nTotal));
        m_bFailed = true;
    }
    emit FiledownloadFinished(!m_bFailed);
    note(QStringLiteral("download finished"));
}

qint64 RangedDownload::partBytes() const
{
    qint64 sum = 0;
    for (PartDownload *part : std::as_const(m_listParts))
        sum += part->written();
    return sum;
}

void RangedDownload::cancelParts()
{
    for (PartDownload *part : std::as_const(m_listParts))
        part->cancel();
}

bool RangedDownload::removePackage()
{
    if (m_file.isOpen())
        m_file.close();
    return !m_file.fileName().isEmpty() && m_file.remove();
}

void RangedDownload::releaseParts()
{
    for (PartDownload *part : std::as_const(m_listParts))
        part->deleteLater();
    m_listParts.clear();
}
