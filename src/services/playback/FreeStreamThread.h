#pragma once

#include <QThread>
#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <mutex>

// The one thread on which the player frees audio streams. Freeing a network stream waits for its
// download thread to end, and freeing a playing stream waits for the mixer; neither may hold up
// the GUI thread, a pool thread or an audio-layer callback. Everyone else queues the handle here.
//
// Threads: addStream from any thread (the GUI thread, the audio layer's sync thread, the helpers
// that read tags and lengths); run on this thread; stop on the GUI thread at quit. m_mutexQueue
// guards m_listStreams and m_bQuit. It is a leaf lock and never held while a stream is freed, so
// addStream never waits for BASS_StreamFree. The playback controller takes its own mutex before
// this one (never the reverse).
//
// Lifecycle: started by the playback controller at construction. The thread sleeps until a handle
// arrives and frees it at once, in queueing order. stop() frees what is still queued, then ends
// the thread; it must run before the audio layer is freed (BASS_Free), after which a stream must
// not be freed. Handles queued after stop stay to BASS_Free, which frees every stream.
class FreeStreamThread : public QThread
{
    Q_OBJECT
public:
    explicit FreeStreamThread(QObject *parent = nullptr);
    ~FreeStreamThread() override;

    void addStream(quint32 hStream);
    // Orderly end: drains the queue, then joins the thread. Idempotent.
    void stop();
    // Handles queued and not yet taken by the thread (for tests).
    int pendingCount();

protected:
    void run() override;

private:
    std::mutex m_mutexQueue;
    std::condition_variable m_wakeUp;
    std::deque<quint32> m_listStreams;
    bool m_bQuit = false;
};
