#pragma once

#include "kvraudio.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvraudio {

class AudioStream;
class NetSource;
class OutputMixer;
class SyncDispatcher;

// The layer's single instance: the device with its mixer thread, the sync thread, the configuration
// and the table of live handles.
//
// Threads: any thread calls in. m_mutex guards m_state, the tables, m_opening and the counters. It is
// held for table work only, never while a stream opens, plays or is torn down, so a slow URL or a
// stream's teardown never holds up other calls: a call looks its stream up, drops m_mutex, then uses
// the stream (kept alive by its shared_ptr; a freed stream answers BASS_ERROR_HANDLE). m_mutex is
// taken before no other lock except the mixer's and the dispatcher's inside init/free.
// The configuration values are atomics, read by the mixer, the silent sink and stream creation.
//
// Lifecycle: Down -> init -> Up -> free -> GoingDown (new calls fail, opening URLs are aborted, the
// mixer and the sync thread stop, every stream is freed and joined) -> Down.
class AudioEngine
{
public:
    static AudioEngine &instance();

    // Each returns BASS_OK or an error code.
    int init(int device, DWORD freq);
    int free();
    int setConfig(DWORD option, DWORD value);
    int config(DWORD option, DWORD *value) const;
    int createFileStream(const char *path, DWORD flags, HSTREAM *handle);
    int createUrlStream(const char *url, DWORD offset, DWORD flags, DOWNLOADPROC *proc, void *user,
                        HSTREAM *handle);
    int freeStream(HSTREAM handle);
    int stream(DWORD handle, std::shared_ptr<AudioStream> *stream) const;
    int addEffect(DWORD handle, DWORD type, int priority, HFX *fx);
    int effectStream(HFX fx, std::shared_ptr<AudioStream> *stream) const;
    DWORD newHandle();

    // Test seams (kvraudio_testing.h).
    void startCapture(size_t maxFrames);
    std::vector<float> stopCapture();
    void setSilentSpeed(double factor);
    // Negative: leave as it is; 0: the default.
    void setNetLimits(int openDeadlineMs, int64_t spoolLimit);

private:
    // A server that stops sending, one that sends a byte now and then, and one that never stops
    // must not hold a stream or the disk for ever.
    static constexpr int kDefaultReadTimeoutMs = 10000;
    static constexpr int kDefaultOpenDeadlineMs = 20000;
    static constexpr int64_t kDefaultSpoolLimit = int64_t(512) << 20;

    enum class State
    {
        Down,
        Up,
        GoingDown
    };

    AudioEngine() = default;
    // Registers a stream being created; false when the layer is not up.
    bool beginCreate(std::shared_ptr<OutputMixer> *mixer, std::shared_ptr<SyncDispatcher> *dispatcher);
    void endCreate();
    int publish(const std::shared_ptr<AudioStream> &stream);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    State m_state = State::Down;
    std::unordered_map<DWORD, std::shared_ptr<AudioStream>> m_streams;
    std::unordered_map<HFX, DWORD> m_effects;
    std::vector<NetSource *> m_opening;
    int m_creating = 0;
    int m_freeing = 0;
    std::shared_ptr<OutputMixer> m_mixer;
    std::shared_ptr<SyncDispatcher> m_dispatcher;

    std::atomic<DWORD> m_nextHandle{1};
    std::atomic<int> m_globalVolume{10000};
    std::atomic<int> m_netTimeout{5000};
    std::atomic<int> m_netPrebuffer{75};
    std::atomic<int> m_netReadTimeout{kDefaultReadTimeoutMs};
    std::atomic<int> m_netOpenDeadline{kDefaultOpenDeadlineMs};
    std::atomic<int64_t> m_netSpoolLimit{kDefaultSpoolLimit};
    // Pace of the silent device, read by its sink on the mixer thread; m_speedOverride (guarded by
    // m_mutex, 0 when unset) is what KVR_SetSilentSpeed chose, which outlives a BASS_Free.
    std::atomic<double> m_silentSpeed{1.0};
    double m_speedOverride = 0.0;
};

} // namespace kvraudio
