#include "services/downloads/httpDown.h"

#include "platform/ContentRange.h"
#include "services/core/DailyLog.h"
#include "services/core/Globals.h"
#include "services/core/LogCategories.h"
#include "services/core/ProgramHelpers.h"
#include "services/core/SafeFileName.h"
#include "services/core/SettingsKeys.h"
#include "services/net/ObjectTickets.h"
#include "services/net/RequestTypes.h"
#include "services/net/ServiceEndpoints.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/SongCachePaths.h"
#include "services/seams/FolderSeam.h"
#include "services/seams/MainWindowSeam.h"

#include <QAuthenticator>
#include <QDebug>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QStandardItem>

namespace {

// The song-file host asks for these; no other host ever sees them.
const QString kSongFileUser = QStringLiteral("vyoplayer-download1");         // 19 characters
const QString kSongFilePassword = QStringLiteral("kvr-songfile-access-042"); // 23 characters

const QString kSongListMark = QStringLiteral("歌单");
const QString kStatusRequesting = QStringLiteral("请求中...");
const QString kStatusStopped = QStringLiteral("0 KB/S");
const QString kStatusNetworkError = QStringLiteral("网络错误");
const QString kStatusSaveFailed = QStringLiteral("保存失败");
const QString kDone = QStringLiteral("下载完成");

constexpr int kBarWidth = 175;

QString &songFileHostOverride()
{
    static QString host;
    return host;
}

QString normalisedBase(QString base)
{
    base = base.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

int defaultPort(const QUrl &url)
{
    return url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
}

} // namespace

httpDown::httpDown(QObject *parent)
    : QObject(parent)
{
    connect(&m_nam, &QNetworkAccessManager::authenticationRequired, this,
            &httpDown::slotAuthenticationRequired);
    // The song-file host may ask already when it is looked at first.
    connect(&m_namPre, &QNetworkAccessManager::authenticationRequired, this,
            &httpDown::slotAuthenticationRequired);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &httpDown::updateProgress);
}

httpDown::~httpDown()
{
    // Nothing may reach a half-destroyed object: the replies go quietly.
    for (QNetworkReply *reply : {m_pReply.data(), m_pPreReply.data()}) {
        if (reply) {
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
            reply->deleteLater();
        }
    }
    closeFile();
}

QString httpDown::songFileHost()
{
    if (!songFileHostOverride().isEmpty())
        return songFileHostOverride();
    const QString overrideIni = qEnvironmentVariable("KVR_HOSTS_INI");
    const QString ini =
        overrideIni.isEmpty() ? g_sAppDir + QLatin1Char('/') + InstallKeys::kFileName : overrideIni;
    const QString host = normalisedBase(
        QSettings(ini, QSettings::IniFormat).value(QStringLiteral("hosts/songfile")).toString());
    return host.isEmpty() ? QStringLiteral("http://down.vyoplayer.example") : host;
}

void httpDown::setSongFileHost(const QString &base)
{
    songFileHostOverride() = normalisedBase(base);
}

bool httpDown::isSongFileHost(const QUrl &url)
{
    // The whole authority must match: a prefix test would also take "http://down.example.evil".
    const QUrl host(songFileHost());
    return !url.host().isEmpty() && url.scheme().compare(host.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(host.host(), Qt::CaseInsensitive) == 0 && defaultPort(url) == defaultPort(host);
}

void httpDown::setStatus(const QString &text)
{
    if (m_pRecord)
        m_pRecord->status = text;
}

void httpDown::setProgressText(const QString &text)
{
    if (m_pRecord)
        m_pRecord->progressText = text;
    if (m_pItem && m_pItem->whatsThis() == kSongListMark)
        emit songListStateText(m_pItem, text);
}

void httpDown::closeFile()
{
    if (!m_pFile)
        return;
    if (m_pFile->isOpen()) {
        m_pFile->flush();
        m_pFile->close();
    }
    m_pFile.reset();
}

void httpDown::requestSongInfo(const QString &songId)
{
    try {
        m_bWaiting = true;
        setStatus(kStatusRequesting);
        if (!g_phttpHandler) {
            dealwithNetReponseErr();
            return;
        }
        g_phttpHandler->startHttpRequest(QUrl(g_getSongInfoUrl(songId)), HTTPREQUEST_TYPE_ID,
                                         ObjectTickets::issue(this));
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::downloadFile(const QString &sUrl, const QString &sLocalDir, const QString &sFileName)
{
    try {
        if (m_pReply || m_pPreReply) {
            qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << "already transferring:" << m_sFinalPath;
            return;
        }
        m_bBusy = true;

        // The name as the service and the tags gave it, then made safe for the folder.
        const int dot = sFileName.lastIndexOf(QLatin1Char('.'));
        const QString stem = dot > 0 ? sFileName.left(dot) : sFileName;
        const QString extension = dot > 0 ? sFileName.mid(dot) : QString();
        QString folder = sLocalDir;
        if (folder.endsWith(QLatin1Char('\\')))
            folder.chop(1);
        if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        const QString safeName = g_safeFileName(stem, extension);
        m_sFinalPath = folder + safeName;
        m_sTempPath = folder + (safeName.endsWith(extension) && extension.size() == 4
                                    ? safeName.left(safeName.size() - 3) + QStringLiteral("vyd")
                                    : safeName + QStringLiteral(".vyd"));

        // A song already streamed whole: its cache copy is named like the streamed-song cache,
        // from the song's name without its extension (not up to its first ".", which would take
        // "Mr. Big - x" for "Mr" and copy another song).
        const QString cachePath = g_cachedSongPath(g_folderSeam()->getCacheDir(), stem);
        if (!cachePath.isEmpty()) {
            if (QFile::exists(cachePath) && QFile::copy(cachePath, m_sFinalPath)) {
                m_bBusy = false;
                if (m_pRecord) {
                    m_pRecord->fin = true;
                    m_pRecord->progress = 100;
                    m_pRecord->downloaded = QFileInfo(m_sFinalPath).size();
                }
                setProgressText(kDone);
                emit downSuccessed(m_pItem);
                if (!m_bForGood)
                    emit downFinished(m_pItem);
                return;
            }
        }

        m_url = QUrl(sUrl);
        closeFile();
        m_pFile = std::make_unique<QFile>(m_sTempPath);
        // Without a folder the file would land wherever the program happens to run.
        if (folder.isEmpty() || !m_pFile->open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString error =
                folder.isEmpty() ? QStringLiteral("no download folder") : m_pFile->errorString();
            closeFile();
            // The row still ends, or the list would wait for it forever.
            m_bBusy = false;
            setStatus(kStatusSaveFailed);
            g_mainWindowSeam()->execMessageBox(
                QString(), QStringLiteral("不能保存文件 %1: %2.").arg(m_sTempPath, error), 1);
            if (!m_bForGood)
                emit downFinished(m_pItem);
            return;
        }

        if (g_bMainUrlOk) {
            realDownStart();
            return;
        }
        m_bWaiting = true;
        setStatus(kStatusRequesting);
        if (!g_phttpHandler) {
            dealwithNetReponseErr();
            return;
        }
        g_phttpHandler->startHttpRequest(QUrl(g_endpoints().urlIndex), HTTPREQUEST_TYPE_MAINURL,
                                         ObjectTickets::issue(this));
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

QUrl httpDown::resolvedAddress() const
{
    // The song information gives a path on the stream host; the URL index gives that host.
    if (m_url.isRelative() && !g_sMainUrl.isEmpty())
        return QUrl(g_sMainUrl.trimmed() + m_url.toString());
    return m_url;
}

void httpDown::realDownStart()
{
    try {
        m_bAborted = false;
        m_bRefused = false;
        m_bSaveFailed = false;
        const QUrl address = resolvedAddress();
        const QString scheme = address.scheme().toLower();
        if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
            // A "file:" or other address from the service must not copy local files.
            qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << "not a web address:" << address.toString();
            failTransfer(0, false);
            return;
        }
        if (!isSongFileHost(address)) {
            startRequest(address);
            return;
        }
        QNetworkRequest request(address);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (m_nTransferTimeoutMs > 0)
            request.setTransferTimeout(m_nTransferTimeoutMs);
        QNetworkReply *reply = m_namPre.get(request);
        m_pPreReply = reply;
        // Only the status matters: the body (the whole song, on 200) is not fetched twice. The
        // reply is ended from the event loop, not inside its own signal.
        reply->setReadBufferSize(64 * 1024);
        connect(reply, &QNetworkReply::metaDataChanged, this, [reply]() {
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (!status.isValid() || reply->property("kvrStatus").isValid())
                return;
            reply->setProperty("kvrStatus", status);
            reply->setProperty("kvrLocation", reply->header(QNetworkRequest::LocationHeader));
            QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
        });
        connect(reply, &QNetworkReply::finished, this, &httpDown::onReplyFinished);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::onReplyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    try {
        if (reply == m_pPreReply)
            m_pPreReply = nullptr;
        reply->close();
        reply->deleteLater();
        if (m_bAborted) {
            finishStopped(nullptr);
            return;
        }
        QVariant status = reply->property("kvrStatus");
        if (!status.isValid())
            status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const int code = status.toInt();
        if (code == 302) {
            QUrl location = reply->property("kvrLocation").toUrl();
            if (!location.isValid())
                location = reply->header(QNetworkRequest::LocationHeader).toUrl();
            m_url = reply->url().resolved(location);
            startRequest(m_url);
        } else if (code == 200) {
            startRequest(reply->url());
        } else {
            failTransfer(code, false);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::startRequest(const QUrl &url)
{
    try {
        if (!m_pFile || !m_pFile->isOpen()) {
            failTransfer(0, true);
            return;
        }
        // The partial file itself says where to go on: a record that lost count must not make
        // the rest of the song land after bytes it does not know of.
        m_nBase = m_pFile->size();
        if (m_pRecord)
            m_pRecord->downloaded = m_nBase;
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (m_nTransferTimeoutMs > 0)
            request.setTransferTimeout(m_nTransferTimeoutMs);
        if (m_nBase != 0)
            request.setRawHeader("Range", "bytes=" + QByteArray::number(m_nBase) + '-');
        m_bAnswerChecked = false;
        m_bEndIsTotal = false;
        m_bRefused = false;
        m_nTotal = 0;
        m_pReply = m_nam.get(request);
        connect(m_pReply, &QNetworkReply::finished, this, &httpDown::httpFinished);
        connect(m_pReply, &QNetworkReply::readyRead, this, &httpDown::httpReadyRead);
        connect(m_pReply, &QNetworkReply::downloadProgress, this, &httpDown::updateDataReadProgress);
        m_timer.start();
        m_nRead = 0;
        m_nLastRead = 0;
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

bool httpDown::checkAnswer()
{
    if (m_bAnswerChecked)
        return !m_bRefused;
    const QVariant statusValue = m_pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusValue.isValid())
        return false; // no headers yet
    m_bAnswerChecked = true;
    const int status = statusValue.toInt();
    const QVariant lengthValue = m_pReply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 length = lengthValue.isValid() ? lengthValue.toLongLong() : -1;
    if (status == 206) {
        const ContentRange range = ContentRange::parse(m_pReply->rawHeader("Content-Range"));
        if (!range.valid || range.first != m_nBase) {
            refuse(QStringLiteral("the range does not start at the end of the partial file"));
            return false;
        }
        // The song's size from the range itself: a range that stops short of it must not make
        // the partial file look complete. Without it, the length after the partial file.
        if (range.total >= 0)
            return setTotal(range.total);
        if (length > 0)
            return setTotalAfterBase(length);
        return true;
    }
    if (status == 200) {
        if (m_nBase != 0) {
            // The server sent the whole song: appended, it would follow the bytes already there.
            qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << "whole file instead of the range; starting over";
            if (!m_pFile->resize(0)) {
                refuse(QStringLiteral("cannot empty the partial file: ") + m_pFile->errorString());
                return false;
            }
            m_nBase = 0;
            if (m_pRecord)
                m_pRecord->downloaded = 0;
        }
        if (length > 0)
            return setTotal(length);
        // Chunked or closed by the server: HTTP marks the end itself, and a transfer cut short
        // ends with an error, so a clean end means the whole song arrived. (A resumed part of
        // unknown size cannot say the same: nothing tells where the song ends.)
        m_bEndIsTotal = true;
        return true;
    }
    // An error page, a redirect or anything else: none of it belongs in the song.
    m_bRefused = true;
    return false;
}

void httpDown::refuse(const QString &why)
{
    qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << why;
    m_bRefused = true;
    // Ended from the event loop, not inside the reply's own signal; nothing more is written.
    if (m_pReply)
        QMetaObject::invokeMethod(m_pReply.data(), &QNetworkReply::abort, Qt::QueuedConnection);
}

void httpDown::httpReadyRead()
{
    try {
        if (!m_pFile || !m_pReply || m_bAborted)
            return;
        if (!checkAnswer()) {
            // Dropped; a refusal may have ended the reply already.
            if (m_pReply && m_bAnswerChecked)
                m_pReply->readAll();
            return;
        }
        if (!m_pReply || !m_pFile)
            return;
        const QByteArray data = m_pReply->readAll();
        if (m_nTotal > 0 && data.size() > m_nTotal - m_nBase - m_nRead) {
            refuse(QStringLiteral("more data than the song's size"));
            return;
        }
        if (m_pFile->write(data) != data.size()) {
            m_bSaveFailed = true;
            refuse(QStringLiteral("cannot write the partial file: ") + m_pFile->errorString());
            return;
        }
        m_nRead += data.size();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

bool httpDown::setTotal(qint64 total)
{
    if (total < m_nBase) {
        refuse(QStringLiteral("a song smaller than its partial file"));
        return false;
    }
    m_nTotal = total;
    if (m_pRecord)
        m_pRecord->size = QString::number(double(m_nTotal) / 1048576.0, 'f', 2) + QStringLiteral(" M");
    return true;
}

bool httpDown::setTotalAfterBase(qint64 length)
{
    qint64 total = 0;
    if (qAddOverflow(m_nBase, length, &total)) {
        refuse(QStringLiteral("a length past any file size"));
        return false;
    }
    return setTotal(total);
}

void httpDown::updateDataReadProgress(qint64 bytesRead, qint64 totalBytes)
{
    // The network layer reports progress only now and then, and at the end of an answer of
    // unknown length it gives what arrived as the total, which would make any fragment look
    // whole. So the total comes from the answer's headers only, and the count of bytes from what
    // reached the file (httpReadyRead); the progress merely has the answer judged early.
    Q_UNUSED(bytesRead);
    Q_UNUSED(totalBytes);
    if (m_bBusy && m_pReply)
        checkAnswer();
}

void httpDown::updateProgress()
{
    try {
        if (!m_bBusy || m_nTotal == 0)
            return;
        setStatus(QStringLiteral("%1 KB/S").arg((m_nRead - m_nLastRead) / 1024));
        m_nLastRead = m_nRead;
        const qint64 done = m_nBase + m_nRead;
        if (m_pRecord)
            m_pRecord->progress = int(done * kBarWidth / m_nTotal);
        // The percent counts the bytes from before a resume too, so it agrees with the bar.
        const int percent = int(qRound64(double(done) * 100.0 / double(m_nTotal)));
        setProgressText(QStringLiteral("已下载") + QString::number(percent) + QLatin1Char('%'));
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::finishStopped(QNetworkReply *reply)
{
    if (m_pFile) {
        closeFile();
        const qint64 size = QFileInfo(m_sTempPath).size();
        if (m_pRecord) {
            m_pRecord->downloaded = size;
            if (m_nTotal != 0)
                m_pRecord->progress = int(size * kBarWidth / m_nTotal);
        }
    }
    setStatus(kStatusStopped);
    if (reply)
        reply->deleteLater();
    m_bBusy = false;
    m_timer.stop();
    if (!m_bForGood)
        emit downFinished(m_pItem);
}

void httpDown::failTransfer(int status, bool saveFailure)
{
    if (m_pFile)
        closeFile();
    setStatus(saveFailure ? kStatusSaveFailed : kStatusNetworkError);
    SetTodayLog(g_logKey(LogKeys::kDownloadError), QStringLiteral("http_status:") + QString::number(status) +
                                                       QStringLiteral(",url:") +
                                                       resolvedAddress().toString());
    if (m_pRecord)
        m_pRecord->downloaded = QFileInfo(m_sTempPath).size();
    endRow();
}

void httpDown::endRow()
{
    m_bBusy = false;
    m_bWaiting = false;
    m_timer.stop();
    if (!m_bForGood)
        emit downFinished(m_pItem);
}

void httpDown::httpFinished()
{
    QNetworkReply *reply = m_pReply;
    if (!reply || sender() != reply)
        return;
    try {
        m_pReply = nullptr;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        qCDebug(lcDownloads).noquote() << Q_FUNC_INFO << status << reply->rawHeader("Location");
        if (m_bAborted) {
            finishStopped(reply);
            return;
        }
        // Data that arrived together with the end.
        if (reply->error() == QNetworkReply::NoError && reply->bytesAvailable() > 0) {
            m_pReply = reply;
            httpReadyRead();
            m_pReply = nullptr;
        }
        if (m_pFile)
            m_pFile->flush();
        qCDebug(lcDownloads).noquote() << "输出header信息:";
        for (const auto &header : reply->rawHeaderPairs())
            qCDebug(lcDownloads).noquote() << header.first << ":" << header.second;

        const qint64 onDisk = m_pFile ? m_pFile->size() : 0;
        closeFile();
        const QUrl redirect = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        // Only a known total makes a song: an answer that ends early and never told how long the
        // song is would otherwise pass a fragment for the whole file.
        const bool complete = m_nTotal > 0 ? onDisk == m_nTotal : m_bEndIsTotal && onDisk > 0;
        if (complete && m_nTotal == 0)
            setTotal(onDisk); // the row shows the song's size as with a length
        const bool failed = reply->error() != QNetworkReply::NoError;
        reply->deleteLater();
        if (status == 416) {
            // The server does not know where the partial file ends: the next start begins anew.
            QFile::resize(m_sTempPath, 0);
        }
        if (failed || m_bRefused || !redirect.isEmpty() || (status != 200 && status != 206) || !complete) {
            if (!redirect.isEmpty())
                m_url = reply->url().resolved(redirect);
            failTransfer(status, m_bSaveFailed);
            return;
        }

        // An existing file of that name is not ours to replace: the list removes its own first.
        if (!QFile::rename(m_sTempPath, m_sFinalPath)) {
            qCDebug(lcDownloads).noquote()
                << Q_FUNC_INFO << "cannot rename" << m_sTempPath << "to" << m_sFinalPath;
            failTransfer(status, true);
            return;
        }
        m_bBusy = false;
        if (m_pRecord) {
            m_pRecord->fin = true;
            m_pRecord->progress = 100;
            m_pRecord->downloaded = onDisk;
        }
        setProgressText(kDone);
        emit downSuccessed(m_pItem);
        endRow();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::stopDownload(bool bForGood)
{
    try {
        if (bForGood)
            m_bForGood = true;
        m_bAborted = true;
        m_bBusy = false;
        m_timer.stop();
        if (m_pReply) {
            m_pReply->abort(); // httpFinished runs now
        } else if (m_pPreReply) {
            m_pPreReply->abort(); // onReplyFinished runs now
        } else if (m_pFile && !m_bWaiting) {
            closeFile();
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

bool httpDown::retireIfStopped()
{
    if (m_bBusy)
        return false;
    // Stopped while its request was out: the answer has nobody left to serve.
    if (m_pRecord)
        m_pRecord->downloading = false;
    deleteLater();
    return true;
}

void httpDown::dealwithMainResponse()
{
    try {
        if (retireIfStopped())
            return;
        m_bWaiting = false;
        realDownStart();
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::dealwithNetReponseErr()
{
    try {
        closeFile();
        if (!m_bForGood)
            emit downFinished(m_pItem);
        if (retireIfStopped())
            return;
        m_bBusy = false;
        m_bWaiting = false;
        setStatus(kStatusNetworkError);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::dealwithIDResponse(const QString &sUrl)
{
    try {
        if (retireIfStopped())
            return;
        m_bWaiting = false;
        QString folder;
        QString name;
        if (m_pRecord && !m_pRecord->filepathname.isEmpty()) {
            // The row's own target, so the file lands where the list looks for it.
            const QFileInfo target(m_pRecord->filepathname);
            folder = target.path();
            name = target.fileName();
        } else {
            folder = g_folderSeam()->getDownDir();
            name = (m_pRecord ? m_pRecord->title + QStringLiteral(" - ") + m_pRecord->artist : QString()) +
                   QStringLiteral(".mp3");
        }
        if (m_pRecord)
            m_pRecord->url = sUrl;
        downloadFile(sUrl, folder, name);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}

void httpDown::slotAuthenticationRequired(QNetworkReply *reply, QAuthenticator *authenticator)
{
    if (!reply || !isSongFileHost(reply->url())) {
        qCDebug(lcDownloads).noquote()
            << Q_FUNC_INFO << "no credentials for" << (reply ? reply->url().host() : QString());
        return;
    }
    authenticator->setUser(kSongFileUser);
    authenticator->setPassword(kSongFilePassword);
}
