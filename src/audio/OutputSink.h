#pragma once

#include <cstdint>

namespace kvraudio {

// Where the mixer's output goes. Lifecycle: created open -> write (blocks for pacing) ... -> drain
// when nothing plays -> write again ... -> destroyed. Only the mixer thread calls a sink.
class OutputSink
{
public:
    virtual ~OutputSink() = default;

    virtual int rate() const = 0;
    // Frames per write; the mixer mixes this many at a time.
    virtual int periodFrames() const = 0;
    // Queues interleaved stereo float frames; blocks until they fit, which paces the mixer to the
    // device. False when the device failed.
    virtual bool write(const float *frames, int count) = 0;
    // Frames written that have not been heard yet.
    virtual int64_t queued() = 0;
    // Lets what is queued play out, then idles until the next write.
    virtual void drain() = 0;
    // Frames taken per frame's worth of real time: 1 for a sound card; the silent device can be
    // told to run faster (tests), and the mixer's clock follows it.
    virtual double speed() const { return 1.0; }
};

} // namespace kvraudio
