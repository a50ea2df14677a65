#include "OutputMixer.h"

#include "AudioStream.h"
#include "SilentSink.h"

#include <algorithm>
#include <pthread.h>

namespace kvraudio {

namespace {
// How long the mixer paces itself silently before it tries a failed device again.
constexpr auto kReopenInterval = std::chrono::seconds(2);
} // namespace

OutputMixer::OutputMixer(std::unique_ptr<OutputSink> sink, SinkFactory reopen,
                         const std::atomic<int> &globalVolume)
    : m_rate(sink->rate())
    , m_globalVolume(globalVolume)
    , m_reopen(std::move(reopen))
    , m_sink(std::move(sink))
{
}

OutputMixer::~OutputMixer()
{
    stop();
}

void OutputMixer::start()
{
    m_thread = std::thread(&OutputMixer::run, this);
}

void OutputMixer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_active.clear();
        m_cv.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void OutputMixer::add(const std::shared_ptr<AudioStream> &stream)
{
    std::lock_guard lock(m_mutex);
    if (std::find(m_active.begin(), m_active.end(), stream) == m_active.end())
        m_active.push_back(stream);
    m_cv.notify_all();
}

void OutputMixer::remove(const AudioStream *stream)
{
    std::lock_guard lock(m_mutex);
    m_active.erase(
        std::remove_if(m_active.begin(), m_active.end(),
                       [stream](const std::shared_ptr<AudioStream> &s) { return s.get() == stream; }),
        m_active.end());
}

int64_t OutputMixer::playedFrames() const
{
    std::lock_guard lock(m_clockMutex);
    if (!m_clockRunning)
        return m_clockPlayed;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - m_clockTime).count();
    const int64_t advanced = elapsed > 0 ? int64_t(double(elapsed) * m_rate * m_clockSpeed / 1e9) : 0;
    return std::min(m_clockPlayed + advanced, m_clockWritten);
}

void OutputMixer::updateClock(bool running)
{
    const int64_t queued = running ? std::clamp<int64_t>(m_sink->queued(), 0, m_written) : 0;
    const double speed = m_sink->speed();
    std::lock_guard lock(m_clockMutex);
    m_clockSpeed = speed;
    // Never let the clock run backwards: a device's delay report may jump by a few frames.
    m_clockPlayed = std::max(m_clockPlayed, m_written - queued);
    m_clockWritten = m_written;
    m_clockTime = Clock::now();
    m_clockRunning = running;
}

void OutputMixer::writePeriod(const std::vector<float> &mix, int frames)
{
    {
        std::lock_guard lock(m_captureMutex);
        if (m_capturing) {
            const size_t room = m_captureMax * 2 - std::min(m_capture.size(), m_captureMax * 2);
            m_capture.insert(m_capture.end(), mix.begin(),
                             mix.begin() + std::min<size_t>(room, size_t(frames) * 2));
        }
    }
    if (m_sink->write(mix.data(), frames))
        return;
    // The device went away (unplugged, server gone): keep time without it, so playback, positions
    // and ends go on, and try the device again now and then.
    m_sink = std::make_unique<SilentSink>(m_rate, frames);
    m_degraded = true;
    m_retryAt = Clock::now() + kReopenInterval;
    m_sink->write(mix.data(), frames);
}

void OutputMixer::run()
{
    pthread_setname_np(pthread_self(), "kvr-mixer");
    std::vector<std::shared_ptr<AudioStream>> streams;
    std::vector<float> mix;
    std::vector<float> scratch;
    bool running = false;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_active.empty() && !m_quit && running) {
                // Nothing left to play: let the device play out what it holds, then sleep.
                lock.unlock();
                m_sink->drain();
                running = false;
                updateClock(false);
                continue;
            }
            m_cv.wait(lock, [this] { return m_quit || !m_active.empty(); });
            if (m_quit)
                return;
            streams = m_active;
        }
        running = true;
        if (m_degraded && Clock::now() >= m_retryAt && m_reopen) {
            if (auto sink = m_reopen()) {
                m_sink = std::move(sink);
                m_degraded = false;
            } else {
                m_retryAt = Clock::now() + kReopenInterval;
            }
        }
        const int frames = m_sink->periodFrames();
        mix.assign(size_t(frames) * 2, 0.0f);
        scratch.resize(size_t(frames) * 2);
        const float globalGain = float(m_globalVolume.load(std::memory_order_relaxed)) / 10000.0f;
        for (const auto &stream : streams)
            stream->mixInto(mix.data(), scratch.data(), frames, m_written, globalGain);
        writePeriod(mix, frames);
        m_written += frames;
        updateClock(true);
        const int64_t played = playedFrames();
        for (const auto &stream : streams)
            stream->checkEnd(played);
        streams.clear();
    }
}

void OutputMixer::startCapture(size_t maxFrames)
{
    std::lock_guard lock(m_captureMutex);
    m_capture.clear();
    m_capture.reserve(maxFrames * 2);
    m_captureMax = maxFrames;
    m_capturing = true;
}

std::vector<float> OutputMixer::stopCapture()
{
    std::lock_guard lock(m_captureMutex);
    m_capturing = false;
    return std::move(m_capture);
}

} // namespace kvraudio
