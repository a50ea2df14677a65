#pragma once

#include "OutputSink.h"

#include <chrono>

namespace kvraudio {

// The "no sound" device: throws the audio away at exactly the pace a sound card would take it, so
// positions, ends and fades behave as with real output. Its buffer holds two periods.
class SilentSink : public OutputSink
{
public:
    explicit SilentSink(int rate, int periodFrames = 1024);

    int rate() const override { return m_rate; }
    int periodFrames() const override { return m_period; }
    bool write(const float *frames, int count) override;
    int64_t queued() override;
    void drain() override;

private:
    using Clock = std::chrono::steady_clock;
    int64_t playedAt(Clock::time_point t) const;
    Clock::time_point timeOfFrame(int64_t frame) const;

    int m_rate;
    int m_period;
    int64_t m_written = 0;
    // The clock: frame m_baseFrame was heard at m_baseTime, and one frame follows every 1/rate s.
    Clock::time_point m_baseTime;
    int64_t m_baseFrame = 0;
};

} // namespace kvraudio
