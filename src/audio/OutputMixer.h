#pragma once

#include "OutputSink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kvraudio {

class AudioStream;

// The output thread: mixes the playing streams (each with its effects and volume, times the global
// stream volume) one device period at a time and writes the mix to the sink, which paces it. Keeps
// the device clock that stream positions and ends are measured against: frames written, and how many
// of them have been heard.
//
// Threads: the mixer thread runs run(); any thread calls add/remove (from AudioStream, under the
// stream's own lock) and playedFrames. m_mutex guards m_active and m_quit; m_clockMutex guards the
// clock; m_captureMutex the test capture. The mixer thread holds none of them while it takes a
// stream's lock, so the order is: a stream's lock, then m_mutex. m_sink and m_written belong to the
// mixer thread once it has started.
class OutputMixer
{
public:
    using SinkFactory = std::function<std::unique_ptr<OutputSink>()>;

    // `reopen` reopens the real device after it failed; empty for the silent device.
    OutputMixer(std::unique_ptr<OutputSink> sink, SinkFactory reopen, const std::atomic<int> &globalVolume);
    ~OutputMixer();

    void start();
    void stop();

    int rate() const { return m_rate; }
    void add(const std::shared_ptr<AudioStream> &stream);
    void remove(const AudioStream *stream);

    // Device frames heard so far (written minus still queued), advancing smoothly between periods.
    int64_t playedFrames() const;

    void startCapture(size_t maxFrames);
    std::vector<float> stopCapture();

private:
    using Clock = std::chrono::steady_clock;

    void run();
    void updateClock(bool running);
    void writePeriod(const std::vector<float> &mix, int frames);

    const int m_rate;
    const std::atomic<int> &m_globalVolume;
    SinkFactory m_reopen;
    std::unique_ptr<OutputSink> m_sink;
    bool m_degraded = false;
    Clock::time_point m_retryAt;
    int64_t m_written = 0;

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::shared_ptr<AudioStream>> m_active;
    bool m_quit = false;
    std::thread m_thread;

    mutable std::mutex m_clockMutex;
    int64_t m_clockWritten = 0;
    int64_t m_clockPlayed = 0;
    double m_clockSpeed = 1.0; // the sink's frames per frame of real time
    Clock::time_point m_clockTime;
    bool m_clockRunning = false;

    std::mutex m_captureMutex;
    bool m_capturing = false;
    size_t m_captureMax = 0;
    std::vector<float> m_capture;
};

} // namespace kvraudio
