#pragma once

#include "OutputSink.h"

#include <atomic>
#include <chrono>

namespace kvraudio {

// The "no sound" device: throws the audio away at the pace a sound card would take it, so positions,
// ends and fades behave as with real output. `speed` (read at every write, may change while it
// runs; none means 1) makes it take that many times as many frames per second, which plays songs
// in a fraction of their time with every position still counted in frames. Its buffer holds two
// periods, of more frames at higher speeds so it lasts about as long.
//
// Threads: only the mixer thread calls it; `speed` is an atomic any thread may store.
class SilentSink : public OutputSink
{
public:
    explicit SilentSink(int rate, int periodFrames = 1024, const std::atomic<double> *speed = nullptr);

    int rate() const override { return m_rate; }
    int periodFrames() const override { return m_period; }
    bool write(const float *frames, int count) override;
    int64_t queued() override;
    void drain() override;
    double speed() const override { return m_speed; }

private:
    using Clock = std::chrono::steady_clock;
    void followSpeed(Clock::time_point now);
    int64_t playedAt(Clock::time_point t) const;
    Clock::time_point timeOfFrame(int64_t frame) const;

    int m_rate;
    int m_period;
    const std::atomic<double> *m_speedSource;
    double m_speed = 1.0;
    int64_t m_written = 0;
    // The clock: frame m_baseFrame was heard at m_baseTime, and rate x speed frames follow per second.
    Clock::time_point m_baseTime;
    int64_t m_baseFrame = 0;
};

} // namespace kvraudio
