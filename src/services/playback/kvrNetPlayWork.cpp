#include "services/playback/kvrNetPlayWork.h"

#include "services/core/DailyLog.h"
#include "services/core/LogCategories.h"
#include "services/playback/songplayHandler.h"

#include "audio/kvraudio.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QThread>
#include <QTime>

namespace {

std::atomic<quint64> s_nextWorkerId{1};

// Hands a configured worker from the GUI thread to its pool thread. The pool passes the worker
// through Qt's own locks, which thread checkers cannot see; this lock (constant-initialised, so
// older than every thread) makes the hand-over visible to them.
std::mutex s_handOver;

QString nowText()
{
    return kvrNetPlayWork::timeText();
}

QString threadText()
{
    return QString::number(quintptr(QThread::currentThreadId()));
}

} // namespace

kvrNetPlayWork::kvrNetPlayWork(songplayHandler *handler, const QString &songName)
    : m_pHandler(handler)
    , m_nId(s_nextWorkerId.fetch_add(1))
    , m_sSongName(songName)
{
    setAutoDelete(false);
}

kvrNetPlayWork::~kvrNetPlayWork()
{
    std::lock_guard locker(m_mutexFile);
    m_pFile.reset();
}

void kvrNetPlayWork::setJob(QFile *file, const QString &url, const QString &partialPath,
                            const QString &cachedPath)
{
    std::lock_guard handOver(s_handOver);
    std::lock_guard locker(m_mutexFile);
    m_pFile.reset(file);
    m_sUrl = url;
    m_sPartialPath = partialPath;
    m_sCachedPath = cachedPath;
}

QString kvrNetPlayWork::timeText()
{
    // From the epoch, without the time zone: the local-time conversion shares libc state that the
    // audio layer's threads must not touch concurrently as far as thread checkers can tell.
    const qint64 ms = QDateTime::currentMSecsSinceEpoch() % 86400000;
    return QTime::fromMSecsSinceStartOfDay(int(ms)).toString(QStringLiteral("hh:mm:ss.zzz"));
}

bool kvrNetPlayWork::deletable() const
{
    if (!runDone())
        return false;
    // A stream that opened gets exactly one final download call, also when it is freed.
    return !m_bOpened.load(std::memory_order_acquire) || downloadEnded();
}

void kvrNetPlayWork::detachFile()
{
    std::lock_guard locker(m_mutexFile);
    m_bDetached = true;
}

void kvrNetPlayWork::run()
{
    {
        std::lock_guard handOver(s_handOver);
    }
    try {
        qCDebug(lcPlayback).noquote() << "enter thread:" << threadText() << nowText();
        QByteArray url;
        {
            std::lock_guard locker(m_mutexFile);
            url = m_sUrl.toLocal8Bit();
        }
        const HSTREAM h = BASS_StreamCreateURL(url.constData(), 0, BASS_STREAM_STATUS,
                                               &kvrNetPlayWork::NetPlayDownloadProc, this);
        qCDebug(lcPlayback).noquote() << QStringLiteral("thread:%1").arg(threadText()) +
                                             QStringLiteral("created,hStream:") + QString::number(h) +
                                             QLatin1Char(' ') + nowText();
        if (h == 0) {
            const int code = BASS_ErrorGetCode();
            // A worker that is no longer current stays silent: its song was left already.
            if (m_pHandler->isCurrentWork(this))
                emit netPlayFailed(code);
            // No download will come: the file is closed now, and the ended download tells the
            // controller, which otherwise keeps a left worker until the next stop.
            finishDownload(false);
        } else {
            m_bOpened.store(true, std::memory_order_release);
            // Recorded before the success is reported, so a stop in between still frees it.
            m_pHandler->setHandle(h, this);
            emit netPlaySucceed(h, this);
        }
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    qCDebug(lcPlayback).noquote() << "quit thread:" << threadText() << nowText();
    m_bRunDone.store(true, std::memory_order_release);
}

void kvrNetPlayWork::writeBlock(const void *buffer, quint32 length)
{
    std::lock_guard locker(m_mutexFile);
    if (m_bDetached)
        return;
    if (!m_pFile || !m_pFile->isOpen()) {
        m_bWriteFailed = true;
        return;
    }
    const qint64 written = m_pFile->write(static_cast<const char *>(buffer), qint64(length));
    // Straight to the file: bytes left in QFile's buffer would reach it at the close, after a detach,
    // inside the file a new stream of the same song has truncated and writes.
    if (written != qint64(length) || !m_pFile->flush())
        m_bWriteFailed = true;
    if (written > 0)
        m_llWritten += written;
}

void kvrNetPlayWork::finishDownload(bool allArrived)
{
    bool complete = false;
    try {
        std::lock_guard locker(m_mutexFile);
        if (m_pFile && m_pFile->isOpen()) {
            if (!m_pFile->flush())
                m_bWriteFailed = true;
            m_pFile->close();
        }
        // Only a file that holds every byte of the song may ever become its cached copy.
        complete = allArrived && !m_bWriteFailed && !m_bDetached && m_llWritten > 0;
        m_bComplete.store(complete, std::memory_order_release);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    try {
        qCDebug(lcPlayback).noquote() << "DownloadProc download stopped" << m_nId
                                      << (allArrived ? "complete" : "truncated") << nowText();
        songplayHandler::EngineEvent event;
        event.serial = m_nId;
        event.complete = complete;
        m_pHandler->postEngineEvent(event);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
    // Last: once this is seen, the controller may delete the worker.
    m_bDownloadEnded.store(true, std::memory_order_release);
}

void kvrNetPlayWork::NetPlayDownloadProc(const void *buffer, quint32 length, void *user)
{
    auto *work = static_cast<kvrNetPlayWork *>(user);
    if (!work)
        return;
    if (!buffer) {
        work->finishDownload(length == KVR_DOWNLOAD_COMPLETE);
        return;
    }
    try {
        // length 0: the response's header lines, which the cache does not keep.
        if (length > 0)
            work->writeBlock(buffer, length);
    } catch (...) {
        g_writeExceptionLog(Q_FUNC_INFO);
    }
}
