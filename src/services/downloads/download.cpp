#include "services/downloads/download.h"

#include <QDebug>
#include <QFile>
#include <QMutexLocker>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

download::download(QObject *parent, int nPart)
    : QObject(parent)
    , m_nPart(nPart)
{
}

download::~download()
{
    // The manager's destruction aborts the reply; its end must not reach this object any more.
    if (m_pReply) {
        disconnect(m_pReply, nullptr, this, nullptr);
        m_pReply->abort();
    }
}

qint64 download::written()
{
    QMutexLocker locker(&m_mutex);
    return m_nWritten;
}

void download::startDownload(const QUrl &url, QFile *file, qint64 start, qint64 end, qint64 maxBytes)
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
    QNetworkRequest request(url);
    if (m_nTransferTimeoutMs > 0)
        request.setTransferTimeout(m_nTransferTimeoutMs);
    if (m_nEnd != -1)
        request.setRawHeader("Range", QStringLiteral("Bytes=%1-%2").arg(m_nStart).arg(m_nEnd).toLatin1());
    qDebug().noquote() << m_nPart << " startdown";
    m_pReply = m_nam.get(request);
    connect(m_pReply, &QNetworkReply::finished, this, &download::FinishedSlot);
    connect(m_pReply, &QNetworkReply::readyRead, this, &download::HttpReadyRead);
}

void download::cancel()
{
    m_bCanceled = true;
    if (m_pReply)
        m_pReply->abort();
}

bool download::acceptsAnswer() const
{
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_nEnd == -1)
        return status == 200;
    if (status != 206)
        return false;
    static const QRegularExpression contentRange(QStringLiteral("^\\s*bytes\\s+(\\d+)-(\\d+)/"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match =
        contentRange.match(QString::fromLatin1(m_pReply->rawHeader("Content-Range")));
    return match.hasMatch() && match.captured(1).toLongLong() == m_nStart;
}

void download::refuse(const QString &why)
{
    qDebug().noquote() << m_nPart << "refused:" << why;
    m_bRefused = true;
    // Ended from the event loop, not inside the reply's own signal; nothing more is written.
    if (m_pReply)
        QMetaObject::invokeMethod(m_pReply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
}

void download::HttpReadyRead()
{
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

void download::FinishedSlot()
{
    if (m_bReported || !m_pReply)
        return;
    if (m_pReply->error() == QNetworkReply::NoError && m_pReply->bytesAvailable() > 0)
        HttpReadyRead();
    if (m_bReported || !m_pReply)
        return;
    // A part that never saw its answer's headers (an empty body) is checked here.
    if (!m_bAnswerChecked && m_pReply->error() == QNetworkReply::NoError && !acceptsAnswer())
        m_bRefused = true;

    bool ok = true;
    if (m_pReply->error() != QNetworkReply::NoError && !m_bRefused && !m_bCanceled) {
        qDebug().noquote() << m_nPart << m_pReply->errorString();
        ok = false;
    } else if (m_bCanceled) {
        qDebug().noquote() << m_nPart << "part canceled";
        ok = false;
    } else if (m_bRefused) {
        ok = false;
    }
    if (m_pFile)
        m_pFile->flush();
    m_pReply->deleteLater();
    m_pReply = nullptr;
    m_pFile = nullptr;
    qDebug().noquote() << m_nPart << " download finished";
    m_bReported = true;
    emit downloadFinished(ok);
}
