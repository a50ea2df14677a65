#include "SilentSink.h"

#include <algorithm>
#include <thread>

namespace kvraudio {

SilentSink::SilentSink(int rate, int periodFrames)
    : m_rate(rate)
    , m_period(periodFrames)
    , m_baseTime(Clock::now())
{
}

int64_t SilentSink::playedAt(Clock::time_point t) const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(t - m_baseTime).count();
    const int64_t played = m_baseFrame + (elapsed > 0 ? int64_t(double(elapsed) * m_rate / 1e9) : 0);
    return std::min(played, m_written);
}

SilentSink::Clock::time_point SilentSink::timeOfFrame(int64_t frame) const
{
    const double seconds = double(frame - m_baseFrame) / m_rate;
    return m_baseTime + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

bool SilentSink::write(const float *, int count)
{
    const Clock::time_point now = Clock::now();
    if (playedAt(now) >= m_written) {
        // Ran dry (or just started): the new frames start playing now.
        m_baseTime = now;
        m_baseFrame = m_written;
    }
    m_written += count;
    const int64_t buffer = 2 * int64_t(m_period);
    if (m_written - buffer > m_baseFrame)
        std::this_thread::sleep_until(timeOfFrame(m_written - buffer));
    return true;
}

int64_t SilentSink::queued()
{
    return m_written - playedAt(Clock::now());
}

void SilentSink::drain()
{
    std::this_thread::sleep_until(timeOfFrame(m_written));
}

} // namespace kvraudio
