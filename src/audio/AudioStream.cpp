#include "AudioStream.h"

#include "AudioDecoder.h"
#include "ByteSource.h"
#include "NetSource.h"
#include "OutputMixer.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>

namespace kvraudio {

namespace {
// Frames the decoder thread adds to the ring at a time.
constexpr int kChunkFrames = 4096;
} // namespace

AudioStream::AudioStream(DWORD handle, bool decodeOnly, std::shared_ptr<OutputMixer> mixer,
                         std::shared_ptr<SyncDispatcher> dispatcher)
    : m_handle(handle)
    , m_decodeOnly(decodeOnly)
    , m_mixer(std::move(mixer))
    , m_dispatcher(std::move(dispatcher))
{
    m_deviceRate = m_mixer->rate();
}

AudioStream::~AudioStream()
{
    shutdown();
}

int AudioStream::open(std::unique_ptr<ByteSource> source, NetSource *net, const std::string &path,
                      const std::string &nameHint)
{
    m_source = std::move(source);
    m_net = net;
    m_path = path;
    auto decoder = std::make_unique<AudioDecoder>(*m_source);
    const int error = decoder->open(nameHint, net != nullptr);
    if (error != BASS_OK)
        return error;
    m_rate = decoder->sampleRate();
    m_channels = decoder->channels();
    m_bytesPerFrame = m_channels * 2;
    m_formatName = decoder->formatName();
    m_codecName = decoder->codecName();
    if (m_decodeOnly)
        decoder->setOutput(false, m_rate);
    std::lock_guard decoderLock(m_decoderMutex);
    std::lock_guard lock(m_mutex);
    m_length = decoder->length();
    m_decoder = std::move(decoder);
    return BASS_OK;
}

void AudioStream::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_freed)
            return;
        m_freed = true;
        m_state = State::Stopped;
        m_mixer->remove(this);
        m_cv.notify_all();
    }
    m_dispatcher->cancel(m_handle);
    if (m_net)
        m_net->abort(); // wakes a decoder waiting for bytes that will not come
    if (m_decoderThread.joinable() && m_decoderThread.get_id() != std::this_thread::get_id())
        m_decoderThread.join();
    if (m_net)
        m_net->join(); // the download callback has had its final call after this
    std::lock_guard lock(m_decoderMutex);
    m_decoder.reset();
}

void AudioStream::resetSegmentLocked(int64_t frame)
{
    ++m_generation;
    m_seekPending = true;
    m_seekTarget = frame;
    m_ringRead = 0;
    m_ringFill = 0;
    m_refill = true;
    m_decoderEof = false;
    m_segmentStart = frame;
    m_consumed = 0;
    m_lastEndIndex = 0;
    m_draining = false;
    m_cv.notify_all();
}

int64_t AudioStream::heardFramesLocked() const
{
    // What the mixer took for this stream that still waits in the device has not been heard yet.
    const int64_t waiting = std::clamp<int64_t>(m_lastEndIndex - m_mixer->playedFrames(), 0, m_consumed);
    const int64_t heard = m_consumed - waiting;
    const int64_t frame = m_segmentStart + heard * m_rate / m_deviceRate;
    // Resampling may hand out a frame more than the source had; the position never passes the end.
    return m_length >= 0 ? std::min(frame, m_length) : frame;
}

int AudioStream::play(bool restart)
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    if (m_decodeOnly)
        return BASS_ERROR_DECODE;
    if (restart || m_ended) {
        resetSegmentLocked(0);
        m_ended = false;
    }
    if (m_state == State::Playing)
        return BASS_OK;
    if (m_ring.empty()) {
        // Half a second: enough to ride out a slow disk, small enough to follow seeks at once.
        m_ringCapacity = std::max(m_deviceRate / 2, 2 * kChunkFrames);
        m_ring.assign(size_t(m_ringCapacity) * size_t(m_channels), 0.0f);
    }
    if (!m_decoderThread.joinable()) {
        try {
            m_decoderThread = std::thread(&AudioStream::decodeLoop, this);
        } catch (...) {
            return BASS_ERROR_MEM;
        }
    }
    m_state = State::Playing;
    m_lastGain = -1.0f;
    m_mixer->add(shared_from_this());
    return BASS_OK;
}

int AudioStream::pause()
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    if (m_decodeOnly)
        return BASS_ERROR_DECODE;
    if (m_state != State::Playing)
        return BASS_ERROR_NOPLAY;
    m_state = State::Paused;
    m_mixer->remove(this);
    return BASS_OK;
}

int AudioStream::stop()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_freed)
            return BASS_ERROR_HANDLE;
        if (m_decodeOnly)
            return BASS_ERROR_DECODE;
        m_state = State::Stopped;
        m_draining = false;
        m_mixer->remove(this);
    }
    // An END that was reached just before the stop must not be reported after it.
    m_dispatcher->cancel(m_handle);
    return BASS_OK;
}

int AudioStream::setPosition(QWORD bytes)
{
    if (bytes == QWORD(-1))
        return BASS_ERROR_POSITION;
    const int64_t frame = int64_t(bytes / QWORD(m_bytesPerFrame));
    if (m_decodeOnly) {
        std::lock_guard decoderLock(m_decoderMutex);
        {
            std::lock_guard lock(m_mutex);
            if (m_freed || !m_decoder)
                return BASS_ERROR_HANDLE;
            if (m_length >= 0 && frame > m_length)
                return BASS_ERROR_POSITION;
        }
        if (!m_decoder->seek(frame))
            return BASS_ERROR_POSITION;
        std::lock_guard lock(m_mutex);
        m_decodePosition = frame;
        m_ended = false;
        return BASS_OK;
    }
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    if (m_length >= 0 && frame > m_length)
        return BASS_ERROR_POSITION;
    resetSegmentLocked(frame);
    m_ended = false;
    return BASS_OK;
}

int AudioStream::position(QWORD *bytes) const
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    const int64_t frame = m_decodeOnly ? m_decodePosition : heardFramesLocked();
    *bytes = QWORD(frame) * QWORD(m_bytesPerFrame);
    return BASS_OK;
}

int AudioStream::length(QWORD *bytes) const
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    *bytes = m_length < 0 ? 0 : QWORD(m_length) * QWORD(m_bytesPerFrame);
    return BASS_OK;
}

double AudioStream::bytesToSeconds(QWORD bytes) const
{
    return double(bytes) / (double(m_rate) * m_bytesPerFrame);
}

int AudioStream::filePosition(DWORD mode, QWORD *value) const
{
    switch (mode) {
    case BASS_FILEPOS_DOWNLOAD:
        *value = QWORD(m_net ? m_net->downloaded() : m_source->size());
        return BASS_OK;
    case BASS_FILEPOS_START:
        *value = QWORD(m_net ? m_net->startOffset() : 0);
        return BASS_OK;
    default:
        return BASS_ERROR_ILLTYPE;
    }
}

int AudioStream::getData(void *buffer, DWORD length, DWORD *got)
{
    if (!m_decodeOnly)
        return BASS_ERROR_DECODE;
    std::lock_guard decoderLock(m_decoderMutex);
    {
        std::lock_guard lock(m_mutex);
        if (m_freed || !m_decoder)
            return BASS_ERROR_HANDLE;
    }
    const int frames = int(std::min<DWORD>(length / DWORD(m_bytesPerFrame), 1u << 24));
    if (frames == 0) {
        *got = 0;
        return BASS_OK;
    }
    const int n = m_decoder->read(buffer, frames);
    std::lock_guard lock(m_mutex);
    m_decodePosition = m_decoder->position();
    if (n > 0) {
        *got = DWORD(n) * DWORD(m_bytesPerFrame);
        return BASS_OK;
    }
    if (!m_ended) {
        m_ended = true;
        if (m_decoder->positionExact())
            m_length = m_decodePosition;
        postEndLocked();
    }
    return BASS_ERROR_ENDED;
}

int AudioStream::setVolume(float volume)
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    m_volume = volume;
    return BASS_OK;
}

int AudioStream::addSync(HSYNC sync, SYNCPROC *proc, void *user)
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    m_syncs.push_back({sync, proc, user});
    return BASS_OK;
}

int AudioStream::addEffect(HFX fx, int priority)
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    if (m_decodeOnly)
        return BASS_ERROR_DECODE;
    // Flat until set: a band with no gain leaves the sound untouched.
    m_effects.push_back({fx, priority, {1000.0f, 12.0f, 0.0f}});
    // Higher priority first; equal priorities keep the order they were added in.
    std::stable_sort(m_effects.begin(), m_effects.end(),
                     [](const Effect &a, const Effect &b) { return a.priority > b.priority; });
    ++m_effectsVersion;
    return BASS_OK;
}

int AudioStream::setEffect(HFX fx, const BASS_DX8_PARAMEQ &params)
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    for (Effect &e : m_effects) {
        if (e.handle == fx) {
            e.params = params;
            ++m_effectsVersion;
            return BASS_OK;
        }
    }
    return BASS_ERROR_HANDLE;
}

int AudioStream::effect(HFX fx, BASS_DX8_PARAMEQ *params) const
{
    std::lock_guard lock(m_mutex);
    if (m_freed)
        return BASS_ERROR_HANDLE;
    for (const Effect &e : m_effects) {
        if (e.handle == fx) {
            *params = e.params;
            return BASS_OK;
        }
    }
    return BASS_ERROR_HANDLE;
}

void AudioStream::postEndLocked()
{
    for (const Sync &sync : m_syncs)
        m_dispatcher->post({sync.handle, m_handle, 0, sync.proc, sync.user});
}

void AudioStream::pushLocked(const float *frames, int count)
{
    const int channels = m_channels;
    int write = (m_ringRead + m_ringFill) % m_ringCapacity;
    for (int done = 0; done < count;) {
        const int n = std::min(count - done, m_ringCapacity - write);
        std::copy(frames + size_t(done) * size_t(channels), frames + size_t(done + n) * size_t(channels),
                  m_ring.begin() + ptrdiff_t(write) * channels);
        done += n;
        write = (write + n) % m_ringCapacity;
    }
    m_ringFill += count;
}

void AudioStream::syncEffectsLocked()
{
    if (m_fxRuntimeVersion == m_effectsVersion)
        return;
    std::vector<RuntimeEffect> runtime;
    runtime.reserve(m_effects.size());
    for (const Effect &e : m_effects) {
        auto old = std::find_if(m_fxRuntime.begin(), m_fxRuntime.end(),
                                [&](const RuntimeEffect &r) { return r.handle == e.handle; });
        // A band that already runs keeps its filter state, so a gain change does not click.
        RuntimeEffect r = old != m_fxRuntime.end() ? *old : RuntimeEffect{e.handle, {}, PeakingEq()};
        r.params = e.params;
        r.filter.configure(e.params.fCenter, e.params.fBandwidth, e.params.fGain, m_deviceRate);
        runtime.push_back(r);
    }
    m_fxRuntime = std::move(runtime);
    m_fxRuntimeVersion = m_effectsVersion;
}

void AudioStream::mixInto(float *mix, float *scratch, int frames, int64_t written, float globalGain)
{
    std::unique_lock lock(m_mutex);
    if (m_freed || m_state != State::Playing)
        return;
    const int n = std::min(frames, m_ringFill);
    for (int i = 0; i < n; ++i) {
        const float *frame = m_ring.data() + size_t((m_ringRead + i) % m_ringCapacity) * size_t(m_channels);
        scratch[2 * i] = frame[0];
        scratch[2 * i + 1] = m_channels > 1 ? frame[1] : frame[0];
    }
    m_ringRead = (m_ringRead + n) % m_ringCapacity;
    m_ringFill -= n;
    m_consumed += n;
    if (n > 0)
        m_lastEndIndex = written + n;
    if (m_ringFill == 0 && m_decoderEof && !m_draining) {
        m_draining = true;
        m_endIndex = m_lastEndIndex;
    }
    if (!m_refill && !m_decoderEof && m_ringFill <= m_ringCapacity / 2) {
        m_refill = true;
        m_cv.notify_all();
    }
    const float target = m_volume * globalGain;
    const float from = m_lastGain < 0.0f ? target : m_lastGain;
    m_lastGain = target;
    syncEffectsLocked();
    lock.unlock();

    if (n == 0)
        return;
    for (RuntimeEffect &e : m_fxRuntime)
        e.filter.process(scratch, n);
    // Volume changes glide over one period instead of stepping, which would click.
    const float step = (target - from) / float(n);
    float gain = from;
    for (int i = 0; i < n; ++i) {
        gain += step;
        mix[2 * i] += scratch[2 * i] * gain;
        mix[2 * i + 1] += scratch[2 * i + 1] * gain;
    }
}

void AudioStream::checkEnd(int64_t played)
{
    std::lock_guard lock(m_mutex);
    if (m_freed || m_state != State::Playing || !m_draining || played < m_endIndex)
        return;
    m_state = State::Stopped;
    m_ended = true;
    m_draining = false;
    m_mixer->remove(this);
    postEndLocked();
}

void AudioStream::decodeLoop()
{
    pthread_setname_np(pthread_self(), "kvr-decode");
    {
        std::lock_guard decoderLock(m_decoderMutex);
        if (m_decoder)
            m_decoder->setOutput(true, m_deviceRate);
    }
    std::vector<float> chunk(size_t(kChunkFrames) * size_t(m_channels));
    for (;;) {
        bool seek;
        int64_t target;
        uint64_t generation;
        int want;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return m_freed || m_seekPending || (m_refill && !m_decoderEof); });
            if (m_freed)
                return;
            seek = m_seekPending;
            m_seekPending = false;
            target = m_seekTarget;
            generation = m_generation;
            want = std::min(kChunkFrames, m_ringCapacity - m_ringFill);
            if (want <= 0 && !seek) {
                m_refill = false;
                continue;
            }
        }
        int got = 0;
        bool seekFailed = false;
        bool exact = false;
        int64_t end = 0;
        {
            std::lock_guard decoderLock(m_decoderMutex);
            if (!m_decoder)
                return;
            if (seek && !m_decoder->seek(target))
                seekFailed = true;
            if (!seekFailed && want > 0)
                got = m_decoder->read(chunk.data(), want);
            if (got == 0) {
                exact = m_decoder->positionExact();
                end = m_decoder->position();
            }
        }
        std::lock_guard lock(m_mutex);
        if (m_freed)
            return;
        if (generation != m_generation)
            continue; // a seek came in meanwhile: this chunk belongs to the old place
        if (got > 0) {
            pushLocked(chunk.data(), got);
            if (m_ringCapacity - m_ringFill < kChunkFrames)
                m_refill = false;
        } else {
            m_decoderEof = true;
            // Decoded straight from the start: now the length is known to the frame. After a seek
            // the end is known as well as the seek was exact; it only corrects a container's
            // length that was too short.
            if (exact && !seekFailed)
                m_length = end;
            else if (!seekFailed)
                m_length = std::max(m_length, end);
        }
    }
}

} // namespace kvraudio
