#pragma once

#include "kvraudio.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace kvraudio {

// Runs SYNCPROCs on the layer's sync thread, so a callback may call back into the layer (stop, free,
// play the next stream) without holding up the mixer.
//
// Threads: the mixer and decode-only readers post; control threads cancel; the sync thread runs the
// callbacks. m_mutex guards the queue and m_running and is never held while a callback runs.
class SyncDispatcher
{
public:
    struct Event
    {
        HSYNC sync;
        DWORD channel;
        DWORD data;
        SYNCPROC *proc;
        void *user;
    };

    SyncDispatcher();
    ~SyncDispatcher();

    void post(const Event &event);
    // Drops the channel's queued callbacks and waits for one of them that is running, unless the
    // caller is that callback. After it returns no callback of the channel runs.
    void cancel(DWORD channel);
    // Drops everything queued, waits for a running callback and ends the thread.
    void stop();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Event> m_queue;
    DWORD m_running = 0;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace kvraudio
