#include "platform/PartDownload.h"

#include "platform/ContentRange.h"

#include <QDebug>
#include <QFile>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QNetworkRequest>

PartDownload::PartDownload(QObject *parent, int nPart)
    : QObject(parent)
    , m_nPart(nPart)
{
}

PartDownload::~PartDownload()
{
    // The manager's destruction aborts the reply; its end must not reach this object any more.
    if (m_pReply) {
        disconnect(m_pReply, nullptr, this, nullptr);
        m_pReply->abort();
    }
}

void PartDownload::note(const QString &line)
{
    qDebug().noquote() << line;
}

qint64 PartDownload::written()
{
    QMutexLocker locker(&m_mutex);
    return m_nWritten;
}

void PartDownload::startDownload(const QUrl &url, QFile *file, qint64 start, qint64 end, qint64 maxBytes)
{
    if (!file)
        return;
    {
        QMutexLocker locker(&m_mutex);
        m_nWritten = 0;
    }
    m_nStart = start;
    m_nEnd = end;
    m_nMaxBytes = maxBytes;
    m_pFile = file;
    m_bAnswerChecked = false;
    m_bRefused = false;
    m_bReported = false;
    m_bCanceled = false;
    QNetworkRequest request(url);
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);
    if (m_nEnd != -1) {
        const QString range = QStringLiteral("Bytes=%1-%2").arg(m_nStart).arg(m_nEnd);
        request.setRawHeader("Range", range.toLatin1());
        note(QStringLiteral("Part %1 start download %2").arg(m_nPart).arg(range));
    } else {
        note(QStringLiteral("Part %1 start download").arg(m_nPart));
    }
    m_pReply = m_nam.get(request);
    connect(m_pReply, &QNetworkReply::finished, this, &PartDownload::FinishedSlot);
    connect(m_pReply, &QNetworkReply::readyRead, this, &PartDownload::HttpReadyRead);
}

void PartDownload::cancel()
{
    m_bCanceled = true;
    if (m_pReply)
        m_pReply->abort();
}

bool PartDownload::acceptsAnswer() const
{
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_nEnd == -1)
        return status == 200;
    if (status != 206)
        return false;
    const ContentRange range = ContentRange::parse(m_pReply->rawHeader("Content-Range"));
    return range.valid && range.first == m_nStart;
}

void PartDownload::refuse(const QString &why)
{
    note(QStringLiteral("Part %1 refused: ").arg(m_nPart) + why);
    m_bRefused = true;
    if (m_pReply)
        QMetaObject::invokeMethod(m_pReply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
}

void PartDownload::HttpReadyRead()
{
    // An error page is not part of the file.
    if (!m_pFile || !m_pReply || m_bRefused || m_pReply->error() != QNetworkReply::NoError)
        return;
    if (!m_bAnswerChecked) {
        m_bAnswerChecked = true;
        if (!acceptsAnswer()) {
            refuse(QStringLiteral("the answer is not the requested part"));
            return;
        }
    }
    const QByteArray data = m_pReply->readAll();
    const qint64 done = written();
    if (m_nMaxBytes >= 0 && done + data.size() > m_nMaxBytes) {
        refuse(QStringLiteral("more data than announced"));
        return;
    }
    if (!m_pFile->seek(m_nStart + done) || m_pFile->write(data) != data.size()) {
        refuse(QStringLiteral("cannot write the package: ") + m_pFile->errorString());
        return;
    }
    QMutexLocker locker(&m_mutex);
    m_nWritten += data.size();
}

void PartDownload::FinishedSlot()
{
    if (m_bReported || !m_pReply)
        return;
    // Data that arrived together with the end is still to be written.
    if (m_pReply->error() == QNetworkReply::NoError && m_pReply->bytesAvailable() > 0)
        HttpReadyRead();
    if (m_bReported || !m_pReply)
        return;
    // A part that never saw its answer's headers (an empty body) is checked here.
    if (!m_bAnswerChecked && m_pReply->error() == QNetworkReply::NoError && !acceptsAnswer()) {
        m_bAnswerChecked = true;
        note(QStringLiteral("Part %1 refused: an empty answer that is not the requested part").arg(m_nPart));
        m_bRefused = true;
    }

    bool ok = false;
    if (m_bCanceled) {
        note(QStringLiteral("Part %1 canceled").arg(m_nPart));
    } else if (m_bRefused) {
        // Said when it was refused.
    } else if (m_pReply->error() != QNetworkReply::NoError) {
        note(QStringLiteral("Part %1 sock err: %2 ").arg(m_nPart).arg(int(m_pReply->error())) +
             m_pReply->errorString());
    } else {
        ok = true;
    }
    if (m_pFile)
        m_pFile->flush();
    m_pReply->deleteLater();
    m_pReply = nullptr;
    m_pFile = nullptr;
    note(QStringLiteral("Part %1 download finished").arg(m_nPart));
    m_bReported = true;
    emit downloadFinished(ok);
}
