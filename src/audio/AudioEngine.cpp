#include "AudioEngine.h"

#include "AlsaSink.h"
#include "AudioStream.h"
#include "FileSource.h"
#include "NetSource.h"
#include "OutputMixer.h"
#include "SilentSink.h"
#include "SyncDispatcher.h"
#include "ThreadState.h"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kvraudio {

namespace {

// The environment variable that turns the default device into the silent one (machines without
// sound, tests, CI).
constexpr const char *kNoSoundVariable = "KVR_AUDIO_NOSOUND";
constexpr const char *kAlsaDevice = "default";

// How many times real-time pace the silent device plays (tests), a positive number; 1 when unset.
constexpr const char *kSpeedVariable = "KVR_AUDIO_SPEED";

bool noSoundRequested()
{
    const char *value = std::getenv(kNoSoundVariable);
    return value && *value && std::strcmp(value, "0") != 0;
}

bool validSpeed(double factor)
{
    return std::isfinite(factor) && factor > 0.0;
}

double speedFromEnvironment()
{
    const char *value = std::getenv(kSpeedVariable);
    if (!value || !*value)
        return 1.0;
    char *end = nullptr;
    const double factor = std::strtod(value, &end);
    return end && *end == '\0' && validSpeed(factor) ? factor : 1.0;
}

// Song paths from the service carry blanks and Chinese text; libcurl only takes URLs in their
// encoded form. Characters a URL never holds as they stand are percent-encoded, and so is "#", which
// would cut a file name like "C# minor.mp3" short; everything else, existing escapes included, is kept.
std::string encodeUrl(const char *url)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(url); *p; ++p) {
        const unsigned char c = *p;
        if (c <= 0x20 || c >= 0x7f || std::strchr("\"#<>\\^`{|}", c)) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(char(c));
        }
    }
    return out;
}

} // namespace

AudioEngine &AudioEngine::instance()
{
    // Never destroyed: layer threads may still run while the process exits without BASS_Free.
    static AudioEngine *engine = new AudioEngine;
    return *engine;
}

DWORD AudioEngine::newHandle()
{
    for (;;) {
        const DWORD h = m_nextHandle.fetch_add(1, std::memory_order_relaxed);
        if (h != 0 && h != DWORD(-1))
            return h;
    }
}

int AudioEngine::init(int device, DWORD freq)
{
    std::lock_guard lock(m_mutex);
    if (m_state == State::Up)
        return BASS_ERROR_ALREADY;
    if (m_state == State::GoingDown)
        return BASS_ERROR_BUSY;
    if (device < -1 || device > 0)
        return BASS_ERROR_DEVICE;
    if (freq == 0)
        freq = 44100;
    if (freq < 8000 || freq > 192000)
        return BASS_ERROR_FORMAT;
    static std::once_flag curlOnce;
    std::call_once(curlOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<OutputSink> sink;
    OutputMixer::SinkFactory reopen;
    if (device == 0 || noSoundRequested()) {
        m_silentSpeed = m_speedOverride > 0.0 ? m_speedOverride : speedFromEnvironment();
        sink = std::make_unique<SilentSink>(int(freq), 1024, &m_silentSpeed);
    } else {
        sink = AlsaSink::open(kAlsaDevice, int(freq));
        if (!sink)
            return BASS_ERROR_DRIVER;
        reopen = [freq]() -> std::unique_ptr<OutputSink> { return AlsaSink::open(kAlsaDevice, int(freq)); };
    }
    try {
        auto mixer = std::make_shared<OutputMixer>(std::move(sink), std::move(reopen), m_globalVolume);
        auto dispatcher = std::make_shared<SyncDispatcher>();
        mixer->start();
        m_mixer = std::move(mixer);
        m_dispatcher = std::move(dispatcher);
    } catch (...) {
        m_mixer.reset();
        m_dispatcher.reset();
        return BASS_ERROR_MEM;
    }
    m_state = State::Up;
    return BASS_OK;
}

int AudioEngine::free()
{
    std::unordered_map<DWORD, std::shared_ptr<AudioStream>> streams;
    std::shared_ptr<OutputMixer> mixer;
    std::shared_ptr<SyncDispatcher> dispatcher;
    {
        std::unique_lock lock(m_mutex);
        if (m_state != State::Up)
            return BASS_ERROR_INIT;
        // A callback cannot wait for the thread it runs on.
        if (onCallbackThread())
            return BASS_ERROR_BUSY;
        m_state = State::GoingDown;
        for (NetSource *source : m_opening)
            source->abort();
        m_cv.wait(lock, [this] { return m_creating == 0; });
        streams.swap(m_streams);
        m_effects.clear();
        mixer = m_mixer;
        dispatcher = m_dispatcher;
    }
    mixer->stop();
    dispatcher->stop();
    for (auto &entry : streams)
        entry.second->shutdown();
    streams.clear();
    std::unique_lock lock(m_mutex);
    // Streams another thread was freeing when we started are joined by that thread; wait for it.
    m_cv.wait(lock, [this] { return m_freeing == 0; });
    m_mixer.reset();
    m_dispatcher.reset();
    m_state = State::Down;
    return BASS_OK;
}

int AudioEngine::setConfig(DWORD option, DWORD value)
{
    switch (option) {
    case BASS_CONFIG_GVOL_STREAM:
        if (value > 10000)
            return BASS_ERROR_ILLPARAM;
        m_globalVolume = int(value);
        return BASS_OK;
    case BASS_CONFIG_NET_TIMEOUT:
        m_netTimeout = int(std::min<DWORD>(value, 0x7fffffff));
        return BASS_OK;
    case BASS_CONFIG_NET_PREBUF:
        if (value > 100)
            return BASS_ERROR_ILLPARAM;
        m_netPrebuffer = int(value);
        return BASS_OK;
    case BASS_CONFIG_NET_READTIMEOUT:
        m_netReadTimeout = int(std::min<DWORD>(value, 0x7fffffff));
        return BASS_OK;
    default:
        return BASS_ERROR_ILLTYPE;
    }
}

int AudioEngine::config(DWORD option, DWORD *value) const
{
    switch (option) {
    case BASS_CONFIG_GVOL_STREAM:
        *value = DWORD(m_globalVolume.load());
        return BASS_OK;
    case BASS_CONFIG_NET_TIMEOUT:
        *value = DWORD(m_netTimeout.load());
        return BASS_OK;
    case BASS_CONFIG_NET_PREBUF:
        *value = DWORD(m_netPrebuffer.load());
        return BASS_OK;
    case BASS_CONFIG_NET_READTIMEOUT:
        *value = DWORD(m_netReadTimeout.load());
        return BASS_OK;
    default:
        return BASS_ERROR_ILLTYPE;
    }
}

bool AudioEngine::beginCreate(std::shared_ptr<OutputMixer> *mixer,
                              std::shared_ptr<SyncDispatcher> *dispatcher)
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Up)
        return false;
    ++m_creating;
    *mixer = m_mixer;
    *dispatcher = m_dispatcher;
    return true;
}

void AudioEngine::endCreate()
{
    std::lock_guard lock(m_mutex);
    --m_creating;
    m_cv.notify_all();
}

int AudioEngine::publish(const std::shared_ptr<AudioStream> &stream)
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Up)
        return BASS_ERROR_INIT;
    m_streams.emplace(stream->handle(), stream);
    return BASS_OK;
}

int AudioEngine::createFileStream(const char *path, DWORD flags, HSTREAM *handle)
{
    if (!path)
        return BASS_ERROR_ILLPARAM;
    if (flags & ~DWORD(BASS_STREAM_DECODE))
        return BASS_ERROR_ILLPARAM;
    std::shared_ptr<OutputMixer> mixer;
    std::shared_ptr<SyncDispatcher> dispatcher;
    if (!beginCreate(&mixer, &dispatcher))
        return BASS_ERROR_INIT;
    int error = BASS_ERROR_FILEOPEN;
    std::shared_ptr<AudioStream> stream;
    if (auto source = FileSource::open(path)) {
        try {
            stream = std::make_shared<AudioStream>(newHandle(), (flags & BASS_STREAM_DECODE) != 0, mixer,
                                                   dispatcher);
            error = stream->open(std::move(source), nullptr, path, path);
            if (error == BASS_OK)
                error = publish(stream);
        } catch (const std::bad_alloc &) {
            error = BASS_ERROR_MEM;
        }
    }
    if (error != BASS_OK && stream)
        stream->shutdown();
    if (error == BASS_OK)
        *handle = stream->handle();
    endCreate();
    return error;
}

int AudioEngine::createUrlStream(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc, void *user,
                                 HSTREAM *handle)
{
    if (!url || !*url)
        return BASS_ERROR_ILLPARAM;
    if (flags & ~DWORD(BASS_STREAM_DECODE | BASS_STREAM_STATUS))
        return BASS_ERROR_ILLPARAM;
    std::shared_ptr<OutputMixer> mixer;
    std::shared_ptr<SyncDispatcher> dispatcher;
    if (!beginCreate(&mixer, &dispatcher))
        return BASS_ERROR_INIT;

    NetSource::Options options;
    options.url = encodeUrl(url);
    options.offset = offset;
    options.wantHeaders = (flags & BASS_STREAM_STATUS) != 0;
    options.proc = proc;
    options.user = user;
    options.connectTimeoutMs = m_netTimeout;
    options.readTimeoutMs = m_netReadTimeout;
    options.openDeadlineMs = m_netOpenDeadline;
    options.spoolLimit = m_netSpoolLimit;
    auto owned = std::make_unique<NetSource>(options);
    NetSource *net = owned.get();
    {
        std::lock_guard lock(m_mutex);
        m_opening.push_back(net);
        // A BASS_Free that began after beginCreate aborted only the openings it saw, and now waits
        // for this one: it must not wait for a slow server.
        if (m_state != State::Up)
            net->abort();
    }
    int error = net->start();
    if (error == BASS_OK)
        error = net->waitForResponse();
    std::shared_ptr<AudioStream> stream;
    if (error == BASS_OK) {
        stream =
            std::make_shared<AudioStream>(newHandle(), (flags & BASS_STREAM_DECODE) != 0, mixer, dispatcher);
        error = stream->open(std::move(owned), net, std::string(), options.url);
        // When the transfer itself failed (time-out, broken connection), that is the reason, not
        // the few bytes the decoder saw.
        if (error != BASS_OK && net->failure() != BASS_OK)
            error = net->failure();
    }
    {
        std::lock_guard lock(m_mutex);
        m_opening.erase(std::find(m_opening.begin(), m_opening.end(), net));
    }
    if (error == BASS_OK)
        error = publish(stream);
    if (error != BASS_OK) {
        net->abandon();
        if (stream)
            stream->shutdown();
        owned.reset();
    } else {
        net->enableCallbacks();
        *handle = stream->handle();
    }
    endCreate();
    return error;
}

int AudioEngine::freeStream(HSTREAM handle)
{
    std::shared_ptr<AudioStream> target;
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Up)
            return BASS_ERROR_INIT;
        auto it = m_streams.find(handle);
        if (it == m_streams.end())
            return BASS_ERROR_HANDLE;
        // The download thread cannot join itself; free the stream from any other thread.
        if (it->second->netSource() && it->second->netSource() == downloadThreadSource())
            return BASS_ERROR_BUSY;
        target = it->second;
        m_streams.erase(it);
        for (auto fx = m_effects.begin(); fx != m_effects.end();) {
            if (fx->second == handle)
                fx = m_effects.erase(fx);
            else
                ++fx;
        }
        ++m_freeing;
    }
    target->shutdown();
    std::lock_guard lock(m_mutex);
    --m_freeing;
    m_cv.notify_all();
    return BASS_OK;
}

int AudioEngine::stream(DWORD handle, std::shared_ptr<AudioStream> *stream) const
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Up)
        return BASS_ERROR_INIT;
    auto it = m_streams.find(handle);
    if (it == m_streams.end())
        return BASS_ERROR_HANDLE;
    *stream = it->second;
    return BASS_OK;
}

int AudioEngine::addEffect(DWORD handle, DWORD type, int priority, HFX *fx)
{
    if (type != BASS_FX_DX8_PARAMEQ)
        return BASS_ERROR_ILLTYPE;
    std::shared_ptr<AudioStream> target;
    int error = stream(handle, &target);
    if (error != BASS_OK)
        return error;
    const HFX newFx = newHandle();
    error = target->addEffect(newFx, priority);
    if (error != BASS_OK)
        return error;
    std::lock_guard lock(m_mutex);
    if (m_streams.find(handle) == m_streams.end())
        return BASS_ERROR_HANDLE; // freed meanwhile
    m_effects.emplace(newFx, handle);
    *fx = newFx;
    return BASS_OK;
}

int AudioEngine::effectStream(HFX fx, std::shared_ptr<AudioStream> *stream) const
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Up)
        return BASS_ERROR_INIT;
    auto it = m_effects.find(fx);
    if (it == m_effects.end())
        return BASS_ERROR_HANDLE;
    auto s = m_streams.find(it->second);
    if (s == m_streams.end())
        return BASS_ERROR_HANDLE;
    *stream = s->second;
    return BASS_OK;
}

void AudioEngine::startCapture(size_t maxFrames)
{
    std::lock_guard lock(m_mutex);
    if (m_mixer)
        m_mixer->startCapture(maxFrames);
}

std::vector<float> AudioEngine::stopCapture()
{
    std::lock_guard lock(m_mutex);
    return m_mixer ? m_mixer->stopCapture() : std::vector<float>();
}

void AudioEngine::setNetLimits(int openDeadlineMs, int64_t spoolLimit)
{
    if (openDeadlineMs >= 0)
        m_netOpenDeadline = openDeadlineMs > 0 ? openDeadlineMs : kDefaultOpenDeadlineMs;
    if (spoolLimit >= 0)
        m_netSpoolLimit = spoolLimit > 0 ? spoolLimit : kDefaultSpoolLimit;
}

void AudioEngine::setSilentSpeed(double factor)
{
    std::lock_guard lock(m_mutex);
    m_speedOverride = validSpeed(factor) ? factor : 0.0;
    m_silentSpeed = validSpeed(factor) ? factor : speedFromEnvironment();
}

} // namespace kvraudio
