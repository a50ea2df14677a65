#pragma once

#include "services/core/SongConstants.h"
#include "services/core/spis.h"
#include "services/playback/PlaybackSession.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <mutex>
#include <vector>

class FreeStreamThread;
class QTimer;
class httpRequestHandler;
class kvrNetPlayWork;

// One stream the controller has opened or is opening. Created and deleted by the controller
// only, under m_mutexPRPI.
struct PRPI
{
    int nKind = SongType::kLocal;    // kNetwork: a stream a worker opened; kLocal: from a file
    kvrNetPlayWork *pWork = nullptr; // the worker that opens it (kind 2)
    quint32 hStream = 0;             // 0 while the worker has not reported it
    bool bHandedOver = false;        // the stream already went to the free queue
};

// The playback controller: every song to play ends here. It decides whether a song plays from a
// local file, from the complete cached copy of a streamed song or from the network; asks the web
// service for a network song's information and stream address when it lacks them; starts the
// network stream worker; starts the channel with the end-of-stream callback; and, when a song ends
// or fails, takes the next song of the playing list.
//
// Threads:
//  - the GUI thread runs every public operation and slot;
//  - pool threads (kvrNetPlayWork::run) call setHandle and read the current worker;
//  - the audio layer's sync thread runs the end-of-stream callback (SyncProc), and its download
//    threads end each worker's download (kvrNetPlayWork::NetPlayDownloadProc); both only post
//    events here (m_mutexEvents), which the GUI thread takes in processEngineEvents;
//  - FreeStreamThread frees the streams this controller stopped.
// Locks: m_mutexPRPI guards m_quPRPI (GUI and pool threads). While it is held the GUI thread
// stops streams (which waits for a running end-of-stream callback of that stream: the callback
// therefore takes no lock of ours), detaches workers' files (the worker's file mutex) and queues
// streams for freeing (the free queue's mutex). Order: m_mutexPRPI, then a worker's file mutex or
// the free queue's mutex; m_mutexEvents is a leaf. g_hStream, m_hSync, m_pCurWork and
// m_nPlaySerial are atomics because the callbacks and pool threads read them.
//
// Exactly once: a stream belongs to its PRPI record until it is handed to the free queue, which
// happens in one place only (stopStreamLocked / handOverStreamLocked, under m_mutexPRPI). The
// end-of-stream callback does not free: it clears g_hStream, and the stopPlay that every next
// step runs stops and frees the ended stream.
class songplayHandler : public QObject
{
    Q_OBJECT
public:
    explicit songplayHandler(QObject *parent = nullptr);
    ~songplayHandler() override;

    // A list page or the radio hands over a song; the caller has written nType, duration, title,
    // artist, albumName and id into m_curSong first. sFilename is the display name; sPic and id
    // are not used.
    void beforePlayTheSong(int nSongType, const QString &strFile, const QString &sDur,
                           const QString &sFilename, const QString &sSize, const QString &sPic, uint id);
    // bLocal: a complete cached copy exists.
    void playTheSong(int nSongType, const QString &strFile, const QString &sDur, const QString &sFilename,
                     const QString &sSize, bool bLocal);
    // sUrl: the song's path on the stream server; sName is not used.
    void realPlayNetSong(const QString &sUrl, const QString &sName);
    void startPlayTheSong();
    void stopPlay();
    // Pool thread: the worker's stream is open.
    void setHandle(ulong hStream, kvrNetPlayWork *pWork);
    // The user's previous and next.
    void playPrevSong();
    void playNextSong();
    // Position of g_hStream in milliseconds; 0 without a stream.
    int currentTimeofSong();
    // The download watch of the main window saw the whole song arrive.
    void netplayCacheFinishedHandler();

    // Registers the answer of the stream-address request (type 16) with the client.
    void registerRoutes(httpRequestHandler *client);
    // The stream-free thread: the main window stops it at quit, before the audio layer is freed.
    FreeStreamThread *freeStreamThread() const { return m_pFreeStreamThread; }

    // Any thread: whether the worker is the current one.
    bool isCurrentWork(const kvrNetPlayWork *pWork) const { return pWork && m_pCurWork.load() == pWork; }
    // Whether a song-information answer (user value 1) or a stream-address answer for the song
    // id is still awaited (the song is current and nothing has stopped it meanwhile).
    bool isAwaitingSongInfo(quint32 id) const;
    bool isAwaitingStreamAddress(quint32 id) const;
    // Streams recorded and not yet handed over, and workers not yet deleted (for tests).
    int openStreamCount();
    int workerCount();

    bool m_bCacheFinished = false; // the current network song's cache file was completed
    QString m_sSongDuration;       // "mm:ss" of the song being played
    PlaybackSession m_session;     // its length and the stream's data span
    spis m_curSong;                // the current song
    QString m_sCacheFilePath;      // the current network song's partial cache file
    int m_nConnectTicks = 0;       // buffering animation ticks since it last started

public slots:
    void StartPlayNextSong(int nReason);
    void startPlay(ulong hStream, kvrNetPlayWork *pWork);
    void updateElapsedMp3ConnectTimer();

private slots:
    // GUI thread: what the callbacks posted.
    void processEngineEvents();

private:
    // Makes s the current song and starts it; the list ran out: stop and leave the panel idle.
    void playListedSong(const spis &s);
    void stopListPlayback();
    // The user's next (true) or previous song of the playing list or the radio queue.
    void playAdjacentSong(bool next);
    void reapLeftWorkers();
    enum class Fetch
    {
        None,
        SongInfo,
        StreamAddress
    };
    struct EngineEvent
    {
        bool streamEnded = false; // else a download ended
        quint64 serial = 0;       // the song's play serial, or the worker's id
        bool complete = false;    // a download: every byte arrived and was written
    };

    friend class kvrNetPlayWork;
    static void SyncProc(quint32 handle, quint32 channel, quint32 data, void *user);
    // Callback threads: queue an event for the GUI thread.
    void postEngineEvent(const EngineEvent &event);
    void onStreamEnded(quint64 serial);
    void onDownloadEnded(quint64 workerId, bool complete);
    // Continues with the next song after a failure of the current one, through the event loop (a
    // list of failing songs never grows the stack), unless another song starts meanwhile.
    void failCurrentSong(int nReason);
    void promoteCache(kvrNetPlayWork *pWork);
    void stopStreamLocked(PRPI *record);
    void handOverStream(quint32 hStream);
    void deleteFinishedWorkersLocked();
    QString curDisplayName() const;

    std::mutex m_mutexPRPI;
    QList<PRPI *> m_quPRPI;               // every stream opened and not yet stopped
    QList<kvrNetPlayWork *> m_listNPWork; // stopped workers waiting for their download to end

    std::atomic<kvrNetPlayWork *> m_pCurWork{nullptr};
    std::atomic<quint32> m_hSync{0};
    // Counts the songs handed to beforePlayTheSong; an end or failure reported for an earlier
    // serial is stale.
    std::atomic<quint64> m_nPlaySerial{0};

    std::mutex m_mutexEvents;
    std::vector<EngineEvent> m_events;
    bool m_bEventsPosted = false;

    Fetch m_eFetch = Fetch::None;
    QString m_sCacheSongName;       // the display name the cache files of the current song use
    quint64 m_nPromoteWorkerId = 0; // the watch asked for the cache before the download ended
    FreeStreamThread *m_pFreeStreamThread = nullptr;
    QTimer *m_pConnectTimer = nullptr;
};

// The one playback controller, created by the main window's constructor.
extern songplayHandler *g_pSongPlayHandler;
