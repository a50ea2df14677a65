#include "upgrader/download.h"

#include "upgrader/UpgraderLog.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

namespace {

// A stalled server would otherwise keep the upgrader, and the update lock it holds, forever.
constexpr int kTransferTimeoutMs = 60000;

} // namespace

download::download(QObject *parent, int index)
    : QObject(parent)
    , m_nIndex(index)
{
}

void download::startDownload(const QUrl &url, QFile *file, qint64 start, qint64 end, qint64 maxBytes)
{
    if (!file)
        return;
    m_pFile = file;
    m_nStart = start;
    m_nEnd = end;
    m_nMaxBytes = maxBytes;
    m_nWritten = 0;

    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMs);
    if (m_nEnd != -1) {
        const QString range = QStringLiteral("Bytes=%1-%2").arg(m_nStart).arg(m_nEnd);
        request.setRawHeader("Range", range.toLatin1());
        upgraderlog::write(QStringLiteral("Part start download ") + range);
    }
    m_pReply = m_nam.get(request);
    connect(m_pReply, &QNetworkReply::finished, this, &download::FinishedSlot);
    connect(m_pReply, &QNetworkReply::readyRead, this, &download::HttpReadyRead);
}

// A ranged part must get exactly its range: a server that ignores Range answers 200 with the
// whole file, which written at this part's offset would corrupt the package.
bool download::acceptsAnswer() const
{
    if (m_nEnd == -1)
        return true;
    const int status = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
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
    upgraderlog::write(QStringLiteral("Part %1 refused: ").arg(m_nIndex) + why);
    m_bRefused = true;
    // abort() reports finished() at once; FinishedSlot() then forgets the reply.
    m_pReply->abort();
}

void download::HttpReadyRead()
{
    if (!m_pFile || !m_pReply || m_bRefused)
        return;
    // An error page is not part of the file.
    if (m_pReply->error() != QNetworkReply::NoError)
        return;
    if (!m_bAnswerChecked) {
        m_bAnswerChecked = true;
        if (!acceptsAnswer()) {
            refuse(QStringLiteral("the answer is not the requested range"));
            return;
        }
    }
    const QByteArray data = m_pReply->readAll();
    if (m_nMaxBytes >= 0 && m_nWritten + data.size() > m_nMaxBytes) {
        refuse(QStringLiteral("more data than announced"));
        return;
    }
    if (!m_pFile->seek(m_nStart + m_nWritten) || m_pFile->write(data) != data.size()) {
        refuse(QStringLiteral("cannot write the file: ") + m_pFile->errorString());
        return;
    }
    m_nWritten += data.size();
}

void download::FinishedSlot()
{
    if (m_bReported || !m_pReply)
        return;
    // Data that arrived together with the end is still to be written.
    if (m_pReply->error() == QNetworkReply::NoError && m_pReply->bytesAvailable() > 0)
        HttpReadyRead();
    if (m_bReported || !m_pReply)
        return;

    const bool failed = m_bRefused || m_pReply->error() != QNetworkReply::NoError;
    if (m_pReply->error() != QNetworkReply::NoError)
        upgraderlog::write(QStringLiteral("sock err: %1 ").arg(int(m_pReply->error())) +
                           m_pReply->errorString());
    if (m_pFile)
        m_pFile->flush();
    m_pReply->deleteLater();
    m_pReply = nullptr;
    m_pFile = nullptr;
    upgraderlog::write(QStringLiteral("Part  download finished"));
    m_bReported = true;
    emit downloadFinished(!failed);
}
