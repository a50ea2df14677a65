#pragma once

#include "ByteSource.h"

#include <cstdint>
#include <string>
#include <vector>

struct AVCodec;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVInputFormat;
struct AVIOContext;
struct AVPacket;
struct SwrContext;

namespace kvraudio {

// Demuxes and decodes one audio stream with FFmpeg and converts it with libswresample to interleaved
// PCM: 16-bit at the source's rate for decode-only streams, float at the device's rate for playback.
// FFmpeg trims encoder delay and padding itself (LAME/Info tags, Ogg pre-skip), so what comes out
// is what the `ffmpeg` command decodes from the same file.
//
// Not thread-safe: its stream serialises every call (AudioStream::m_decoderMutex).
class AudioDecoder
{
public:
    explicit AudioDecoder(ByteSource &source);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder &) = delete;
    AudioDecoder &operator=(const AudioDecoder &) = delete;

    // Opens the container and decodes the first frame, so a file that opens can be played.
    // `nameHint` (file name or URL) only helps format probing. A network source is treated as
    // unseekable while opening, so probing never waits for the end of a download. Returns BASS_OK or
    // a BASS error code.
    int open(const std::string &nameHint, bool network);
    // For song lists: what open() followed by length() would give, in seconds, with as little work as
    // the length needs. The first bytes name the container when they prove one of the player's four
    // (FFmpeg would otherwise run every demuxer it has over them, twice or more for an mp3); the
    // container's header gives the length when it holds one (Xing/Info/VBRI frame, WAV data chunk,
    // Ogg last page, ASF file properties); only otherwise are packets read; no decoder is opened. A
    // file whose container opens but whose first frame does not decode reports its length here,
    // where open() would refuse it. formatName() and codecName() are set as by open(). Returns
    // BASS_OK or the error open() would give.
    int probeLength(const std::string &nameHint, double *seconds);

    int sampleRate() const { return m_rate; }
    // Channels of the output: the source's, with more than two mixed down to two.
    int channels() const { return m_channels; }
    // Frames at the source rate as the container states it, or -1 when unknown.
    int64_t length() const { return m_length; }
    const std::string &formatName() const { return m_formatName; }
    const std::string &codecName() const { return m_codecName; }

    // Chooses what read() produces; call before the first read.
    void setOutput(bool floatSamples, int rate);
    int outputRate() const { return m_outRate; }

    // Up to maxFrames output frames into `out`; fewer only at the end. 0 at the end.
    int read(void *out, int maxFrames);
    // Moves to a frame at the source rate. False when the container cannot seek there.
    bool seek(int64_t frame);

    // Source frames handed out so far (the frame the next read starts at).
    int64_t position() const;
    bool atEnd() const { return m_ended && m_outAvail == 0; }
    // True while the position counts every decoded frame from the start (no seek elsewhere), so the
    // position at the end is the exact length.
    bool positionExact() const { return m_exact; }

private:
    enum class Next
    {
        Frame,
        End
    };

    int openInput(const std::string &nameHint, bool network, const AVInputFormat *format);
    int findAudioStream(const AVCodec **codec);
    Next receiveFrame();
    bool convertFrame();
    bool configureResampler();
    void flushResampler();
    static int readPacket(void *opaque, uint8_t *buffer, int size);
    static int64_t seekPacket(void *opaque, int64_t offset, int whence);

    ByteSource &m_source;
    int64_t m_ioPos = 0;
    AVIOContext *m_io = nullptr;
    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    AVPacket *m_packet = nullptr;
    AVFrame *m_frame = nullptr;
    SwrContext *m_swr = nullptr;
    int m_streamIndex = -1;
    int64_t m_startTs = 0;

    int m_rate = 0;
    int m_channels = 0;
    int64_t m_length = -1;
    std::string m_formatName;
    std::string m_codecName;

    bool m_outFloat = false;
    int m_outRate = 0;
    int m_swrInFormat = -1;
    int m_swrInRate = 0;
    int m_swrInChannels = 0;
    uint64_t m_swrInMask = 0;

    bool m_frameReady = false;
    bool m_inputDone = false;
    bool m_ended = false;
    int m_errors = 0;
    bool m_trimPending = false;
    int64_t m_trimTarget = 0;
    int64_t m_position = 0;
    bool m_exact = true;

    std::vector<uint8_t> m_out;
    int m_outPos = 0;
    int m_outAvail = 0;
};

} // namespace kvraudio
