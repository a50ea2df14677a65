#pragma once

#include "PeakingEq.h"
#include "SyncDispatcher.h"
#include "kvraudio.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvraudio {

class AudioDecoder;
class ByteSource;
class NetSource;
class OutputMixer;

// One channel: a file or URL stream, played through the mixer, or read directly when decode-only.
//
// A playing stream has a decoder thread (started by its first play) that keeps a ring of about half
// a second of float PCM at the device rate filled; the mixer takes from the ring. Positions are
// counted in frames at the source rate: the start of the current segment (the last seek) plus the
// device frames the listener has heard since, which is what the mixer took less what still waits in
// the device.
//
// Threads: API callers (any thread); the mixer thread (mixInto, checkEnd); the decoder thread; the
// sync thread only runs callbacks and never touches a stream; a URL stream's download thread lives
// in its NetSource.
// Locks: m_decoderMutex guards m_decoder (FFmpeg state) and is held while a chunk is decoded or a
// decode-only stream is read or moved. m_mutex guards all the rest. Order: m_decoderMutex, then
// m_mutex, then the mixer's and the sync queue's locks. No lock is held while user code runs: END
// callbacks run on the sync thread, download callbacks on the download thread.
// m_fxRuntime (the filters and their state) belongs to the mixer thread alone; it is rebuilt from
// m_effects when m_effectsVersion moves.
class AudioStream : public std::enable_shared_from_this<AudioStream>
{
public:
    AudioStream(DWORD handle, bool decodeOnly, std::shared_ptr<OutputMixer> mixer,
                std::shared_ptr<SyncDispatcher> dispatcher);
    ~AudioStream();
    AudioStream(const AudioStream &) = delete;
    AudioStream &operator=(const AudioStream &) = delete;

    // Takes the source (and, for URL streams, `net`, which is the same object) and opens the decoder
    // over it. BASS_OK or an error code; a stream that failed still needs shutdown().
    int open(std::unique_ptr<ByteSource> source, NetSource *net, const std::string &path,
             const std::string &nameHint);
    // Stops everything and joins the stream's threads; after it returns no callback of the stream runs.
    void shutdown();

    DWORD handle() const { return m_handle; }
    NetSource *netSource() const { return m_net; }
    const std::string &path() const { return m_path; }
    const std::string &formatName() const { return m_formatName; }
    const std::string &codecName() const { return m_codecName; }

    // Each returns BASS_OK or an error code.
    int play(bool restart);
    int pause();
    int stop();
    int setPosition(QWORD bytes);
    int position(QWORD *bytes) const;
    int length(QWORD *bytes) const;
    double bytesToSeconds(QWORD bytes) const;
    int filePosition(DWORD mode, QWORD *value) const;
    int getData(void *buffer, DWORD length, DWORD *got);
    int setVolume(float volume);
    int addSync(HSYNC sync, SYNCPROC *proc, void *user);
    int addEffect(HFX fx, int priority);
    int setEffect(HFX fx, const BASS_DX8_PARAMEQ &params);
    int effect(HFX fx, BASS_DX8_PARAMEQ *params) const;

    // Mixer thread: adds up to `frames` frames, with effects and volume, into the stereo `mix`.
    // `written` is the device frame at which the period starts.
    void mixInto(float *mix, float *scratch, int frames, int64_t written, float globalGain);
    // Mixer thread: fires END once the last frame has been heard.
    void checkEnd(int64_t played);

private:
    enum class State
    {
        Stopped,
        Playing,
        Paused
    };
    struct Sync
    {
        HSYNC handle;
        SYNCPROC *proc;
        void *user;
    };
    struct Effect
    {
        HFX handle;
        int priority;
        BASS_DX8_PARAMEQ params;
    };
    struct RuntimeEffect
    {
        HFX handle;
        BASS_DX8_PARAMEQ params;
        PeakingEq filter;
    };

    void decodeLoop();
    void resetSegmentLocked(int64_t frame);
    int64_t heardFramesLocked() const;
    void pushLocked(const float *frames, int count);
    void postEndLocked();
    void syncEffectsLocked();

    const DWORD m_handle;
    const bool m_decodeOnly;
    const std::shared_ptr<OutputMixer> m_mixer;
    const std::shared_ptr<SyncDispatcher> m_dispatcher;
    std::unique_ptr<ByteSource> m_source;
    NetSource *m_net = nullptr;
    std::string m_path;
    std::string m_formatName;
    std::string m_codecName;
    int m_rate = 0;
    int m_channels = 0;
    int m_bytesPerFrame = 0;
    int m_deviceRate = 0;

    std::mutex m_decoderMutex;
    std::unique_ptr<AudioDecoder> m_decoder;
    std::thread m_decoderThread;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    State m_state = State::Stopped;
    bool m_freed = false;
    bool m_ended = false;
    int64_t m_length = -1;
    float m_volume = 1.0f;
    float m_lastGain = -1.0f;
    std::vector<Sync> m_syncs;
    std::vector<Effect> m_effects;
    uint64_t m_effectsVersion = 0;
    // Playback.
    std::vector<float> m_ring;
    int m_ringCapacity = 0;
    int m_ringRead = 0;
    int m_ringFill = 0;
    bool m_refill = true;
    bool m_decoderEof = false;
    uint64_t m_generation = 0;
    bool m_seekPending = false;
    int64_t m_seekTarget = 0;
    int64_t m_segmentStart = 0;
    int64_t m_consumed = 0;
    int64_t m_lastEndIndex = 0;
    bool m_draining = false;
    int64_t m_endIndex = 0;
    // Decode-only.
    int64_t m_decodePosition = 0;

    // Mixer thread only.
    std::vector<RuntimeEffect> m_fxRuntime;
    uint64_t m_fxRuntimeVersion = 0;
};

} // namespace kvraudio
