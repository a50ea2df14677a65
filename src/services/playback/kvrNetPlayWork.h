#pragma once

#include <QFile>
#include <QObject>
#include <QRunnable>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

class songplayHandler;

// Opens one network song's stream on a thread of the global thread pool and receives the song's
// bytes from the audio layer's download thread into the partial cache file (".vyo").
//
// Threads and ownership:
//  - the GUI thread (the playback controller) creates the worker, gives it the opened cache file
//    and the URL, starts it on the pool, later detaches its file and finally deletes it, only once
//    deletable() is true; auto-delete is off, so the pool never deletes it;
//  - a pool thread runs run(): it opens the stream, records it with the controller (setHandle,
//    under the controller's mutex) and reports through queued signals;
//  - the audio layer's download thread calls NetPlayDownloadProc with every block and once without
//    a buffer when the download has ended or the stream was freed; when the stream does not open,
//    run() ends the download instead.
// m_mutexFile guards the file, the written and failure counts and the detached flag. The
// controller takes it only inside its own mutex (controller mutex, then this one); the download
// thread takes nothing else while holding it. m_bRunDone and m_bDownloadEnded are released last by
// their threads, so the controller that sees both set may delete the worker.
class kvrNetPlayWork : public QObject, public QRunnable
{
    Q_OBJECT
public:
    kvrNetPlayWork(songplayHandler *handler, const QString &songName);
    ~kvrNetPlayWork() override;

    // GUI thread, before start: the opened partial file (owned from now on), the full stream URL,
    // and where the complete copy goes.
    void setJob(QFile *file, const QString &url, const QString &partialPath, const QString &cachedPath);

    void run() override;

    // GUI thread: stop writing into the cache file (the song is no longer current, so its bytes
    // may not reach the file that a new stream of the same song is about to write).
    void detachFile();

    quint64 id() const { return m_nId; }
    const QString &songName() const { return m_sSongName; }
    const QString &partialPath() const { return m_sPartialPath; }
    const QString &cachedPath() const { return m_sCachedPath; }
    bool runDone() const { return m_bRunDone.load(std::memory_order_acquire); }
    bool downloadEnded() const { return m_bDownloadEnded.load(std::memory_order_acquire); }
    // Every byte of the song arrived and was written (valid once downloadEnded()).
    bool downloadComplete() const { return m_bComplete.load(std::memory_order_acquire); }
    // No thread will touch the worker again.
    bool deletable() const;

    // "hh:mm:ss.zzz" (UTC) for the debug lines written on the pool and audio threads.
    static QString timeText();

    // The audio layer's download callback; user is the worker.
    static void NetPlayDownloadProc(const void *buffer, quint32 length, void *user);

signals:
    void netPlayFailed(int nRetCode);
    void netPlaySucceed(ulong hStream, kvrNetPlayWork *pWork);

private:
    void writeBlock(const void *buffer, quint32 length);
    void finishDownload(bool allArrived);

    songplayHandler *const m_pHandler;
    const quint64 m_nId;
    const QString m_sSongName;

    std::mutex m_mutexFile;
    std::unique_ptr<QFile> m_pFile;
    QString m_sUrl;
    QString m_sPartialPath;
    QString m_sCachedPath;
    qint64 m_llWritten = 0;
    bool m_bWriteFailed = false;
    bool m_bDetached = false;

    std::atomic<bool> m_bOpened{false};
    std::atomic<bool> m_bComplete{false};
    std::atomic<bool> m_bRunDone{false};
    std::atomic<bool> m_bDownloadEnded{false};
};
