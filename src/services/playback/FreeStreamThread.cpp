#include "services/playback/FreeStreamThread.h"

#include "services/core/DailyLog.h"
#include "services/core/LogCategories.h"

#include "audio/kvraudio.h"

#include <QDebug>

FreeStreamThread::FreeStreamThread(QObject *parent)
    : QThread(parent)
{
    setObjectName(QStringLiteral("FreeStreamThread"));
}

FreeStreamThread::~FreeStreamThread()
{
    stop();
}

void FreeStreamThread::addStream(quint32 hStream)
{
    if (hStream == 0)
        return;
    {
        std::lock_guard locker(m_mutexQueue);
        m_listStreams.push_back(hStream);
    }
    m_wakeUp.notify_one();
}

void FreeStreamThread::stop()
{
    {
        std::lock_guard locker(m_mutexQueue);
        m_bQuit = true;
    }
    m_wakeUp.notify_one();
    if (isRunning())
        wait();
}

int FreeStreamThread::pendingCount()
{
    std::lock_guard locker(m_mutexQueue);
    return int(m_listStreams.size());
}

void FreeStreamThread::run()
{
    std::unique_lock locker(m_mutexQueue);
    for (;;) {
        m_wakeUp.wait(locker, [this] { return m_bQuit || !m_listStreams.empty(); });
        // A quit still frees what was queued before it: the layer is up until the caller of stop
        // frees it.
        while (!m_listStreams.empty()) {
            const quint32 handle = m_listStreams.front();
            m_listStreams.pop_front();
            locker.unlock();
            try {
                if (!BASS_StreamFree(handle))
                    qCDebug(lcPlayback).noquote()
                        << Q_FUNC_INFO << "stream" << handle << "not freed, error" << BASS_ErrorGetCode();
            } catch (...) {
                g_writeExceptionLog(Q_FUNC_INFO);
            }
            locker.lock();
        }
        if (m_bQuit)
            return;
    }
}
