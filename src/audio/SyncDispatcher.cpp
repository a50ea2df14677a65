#include "SyncDispatcher.h"

#include "ThreadState.h"

#include <algorithm>
#include <pthread.h>

namespace kvraudio {

SyncDispatcher::SyncDispatcher()
{
    m_thread = std::thread(&SyncDispatcher::run, this);
}

SyncDispatcher::~SyncDispatcher()
{
    stop();
}

void SyncDispatcher::post(const Event &event)
{
    std::lock_guard lock(m_mutex);
    if (m_quit)
        return;
    m_queue.push_back(event);
    m_cv.notify_all();
}

void SyncDispatcher::cancel(DWORD channel)
{
    std::unique_lock lock(m_mutex);
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [channel](const Event &e) { return e.channel == channel; }),
                  m_queue.end());
    if (std::this_thread::get_id() == m_thread.get_id())
        return;
    m_cv.wait(lock, [&] { return m_running != channel; });
}

void SyncDispatcher::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_queue.clear();
        m_cv.notify_all();
    }
    if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id())
        m_thread.join();
}

void SyncDispatcher::run()
{
    markCallbackThread(nullptr);
    pthread_setname_np(pthread_self(), "kvr-sync");
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit)
            return;
        const Event event = m_queue.front();
        m_queue.pop_front();
        m_running = event.channel;
        lock.unlock();
        try {
            event.proc(event.sync, event.channel, event.data, event.user);
        } catch (...) {
            // A callback's exception must not end the sync thread.
        }
        lock.lock();
        m_running = 0;
        m_cv.notify_all();
    }
}

} // namespace kvraudio
