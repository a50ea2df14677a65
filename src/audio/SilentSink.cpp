#include "SilentSink.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace kvraudio {

SilentSink::SilentSink(int rate, int periodFrames, const std::atomic<double> *speed)
    : m_rate(rate)
    , m_period(periodFrames)
    , m_speedSource(speed)
    , m_baseTime(Clock::now())
{
    if (m_speedSource)
        m_speed = m_speedSource->load();
}

void SilentSink::followSpeed(Clock::time_point now)
{
    if (!m_speedSource)
        return;
    const double speed = m_speedSource->load(std::memory_order_relaxed);
    if (speed == m_speed || !(speed > 0.0))
        return;
    // What was heard so far was heard at the old pace; the new one counts from now.
    m_baseFrame = playedAt(now);
    m_baseTime = now;
    m_speed = speed;
}

int64_t SilentSink::playedAt(Clock::time_point t) const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(t - m_baseTime).count();
    const int64_t played =
        m_baseFrame + (elapsed > 0 ? int64_t(double(elapsed) * m_rate * m_speed / 1e9) : 0);
    return std::min(played, m_written);
}

SilentSink::Clock::time_point SilentSink::timeOfFrame(int64_t frame) const
{
    const double seconds = double(frame - m_baseFrame) / (m_rate * m_speed);
    return m_baseTime + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

bool SilentSink::write(const float *, int count)
{
    const Clock::time_point now = Clock::now();
    followSpeed(now);
    if (playedAt(now) >= m_written) {
        // Ran dry (or just started): the new frames start playing now.
        m_baseTime = now;
        m_baseFrame = m_written;
    }
    m_written += count;
    // Two periods of real time, but never more than a stream's ring can feed in one go.
    const int64_t buffer = int64_t(std::lround(2.0 * m_period * std::clamp(m_speed, 1.0, 8.0)));
    if (m_written - buffer > m_baseFrame)
        std::this_thread::sleep_until(timeOfFrame(m_written - buffer));
    return true;
}

int64_t SilentSink::queued()
{
    const Clock::time_point now = Clock::now();
    followSpeed(now);
    return m_written - playedAt(now);
}

void SilentSink::drain()
{
    std::this_thread::sleep_until(timeOfFrame(m_written));
}

} // namespace kvraudio
