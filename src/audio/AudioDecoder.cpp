#include "AudioDecoder.h"

#include "kvraudio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

namespace kvraudio {

namespace {

constexpr int kIoBufferSize = 32 * 1024;
// Consecutive undecodable packets before a file counts as ended; damaged frames inside a song are skipped.
constexpr int kMaxConsecutiveErrors = 500;

// Demuxers never open further files or URLs named inside a file (playlists, references): only the
// bytes of the stream itself are read.
int refuseNestedOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

AVChannelLayout layoutOf(const AVChannelLayout &layout)
{
    AVChannelLayout result;
    if (layout.order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_copy(&result, &layout);
    else
        av_channel_layout_default(&result, layout.nb_channels);
    return result;
}

// Frames of the stream's length at `rate`: the stream's own duration, else the container's; -1 when
// neither is known.
int64_t lengthFrames(const AVFormatContext *format, const AVStream *stream, int rate)
{
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, rate});
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return av_rescale(format->duration, rate, AV_TIME_BASE);
    return -1;
}

struct ProvenFormat
{
    const char *name = nullptr; // FFmpeg's demuxer name, null when nothing is proven
    int mp3Rate = 0;            // for "mp3": the sample rate of its frames
};

struct MpegFrame
{
    uint32_t sameMask; // sync, version, layer and rate: equal in every frame of one file
    int layer;
    int rate;
    int size; // bytes, header included
};

// An MPEG audio frame header, read as FFmpeg's mpegaudio code reads it; false for what it refuses
// and for free-format frames, whose length the header does not tell.
bool parseMpegFrame(const uint8_t *b, MpegFrame *frame)
{
    const uint32_t header = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    if ((header & 0xffe00000u) != 0xffe00000u)
        return false;
    const int version = int(header >> 19) & 3; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    const int layerBits = int(header >> 17) & 3;
    const int bitrateIndex = int(header >> 12) & 15;
    const int rateIndex = int(header >> 10) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    const int lsf = version == 3 ? 0 : 1;
    frame->layer = 4 - layerBits;
    frame->rate = kRates[rateIndex] >> (lsf + (version == 0 ? 1 : 0));
    const int kbps = kBitrates[lsf][frame->layer - 1][bitrateIndex];
    const int padding = int(header >> 9) & 1;
    switch (frame->layer) {
    case 1:
        frame->size = (kbps * 12000 / frame->rate + padding) * 4;
        break;
    case 2:
        frame->size = kbps * 144000 / frame->rate + padding;
        break;
    default:
        frame->size = kbps * 144000 / (frame->rate << lsf) + padding;
        break;
    }
    frame->sameMask = header & (0xffe00000u | 3u << 19 | 3u << 17 | 3u << 10);
    return true;
}

bool readExactly(ByteSource &source, int64_t pos, uint8_t *buffer, int size)
{
    return source.readAt(pos, buffer, size) == size;
}

// The container of a local file when its first bytes leave no doubt: the magic numbers FFmpeg's WAV,
// Ogg and ASF probes give their highest score, or an ID3v2 tag (or none) followed directly by four
// MPEG layer III frames of one kind, each where the one before ends. Anything else is left to FFmpeg's
// own probe, so an odd file opens no differently than it plays.
ProvenFormat provenFormat(ByteSource &source)
{
    ProvenFormat proven;
    uint8_t head[16];
    if (!readExactly(source, 0, head, sizeof head))
        return proven;
    if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
        proven.name = "wav";
        return proven;
    }
    if (std::memcmp(head, "OggS", 4) == 0 && head[4] == 0 && head[5] <= 7) {
        proven.name = "ogg";
        return proven;
    }
    static const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                                           0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};
    if (std::memcmp(head, kAsfHeader, sizeof kAsfHeader) == 0) {
        proven.name = "asf";
        return proven;
    }

    int64_t pos = 0;
    if (std::memcmp(head, "ID3", 3) == 0) {
        if (head[3] == 0xff || head[4] == 0xff || ((head[6] | head[7] | head[8] | head[9]) & 0x80))
            return proven;
        const int64_t size =
            int64_t(head[6]) << 21 | int64_t(head[7]) << 14 | int64_t(head[8]) << 7 | head[9];
        pos = 10 + size + ((head[5] & 0x10) ? 10 : 0);
    }
    constexpr int kFrames = 4;
    MpegFrame first{};
    for (int i = 0; i < kFrames; ++i) {
        uint8_t bytes[4];
        MpegFrame frame{};
        if (!readExactly(source, pos, bytes, sizeof bytes) || !parseMpegFrame(bytes, &frame))
            return proven;
        if (i == 0)
            first = frame;
        else if (frame.sameMask != first.sameMask)
            return proven;
        pos += frame.size;
    }
    // Layer I and II files are rare enough to be left to the probe.
    if (first.layer == 3) {
        proven.name = "mp3";
        proven.mp3Rate = first.rate;
    }
    return proven;
}

} // namespace

AudioDecoder::AudioDecoder(ByteSource &source)
    : m_source(source)
{
}

AudioDecoder::~AudioDecoder()
{
    swr_free(&m_swr);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_codec);
    avformat_close_input(&m_format);
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
}

int AudioDecoder::readPacket(void *opaque, uint8_t *buffer, int size)
{
    auto *self = static_cast<AudioDecoder *>(opaque);
    int n = self->m_source.readAt(self->m_ioPos, buffer, size);
    if (n < 0)
        return AVERROR(EIO);
    if (n == 0)
        return AVERROR_EOF;
    self->m_ioPos += n;
    return n;
}

int64_t AudioDecoder::seekPacket(void *opaque, int64_t offset, int whence)
{
    auto *self = static_cast<AudioDecoder *>(opaque);
    const int64_t size = self->m_source.size();
    int64_t target;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size >= 0 ? size : AVERROR(ENOSYS);
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = self->m_ioPos + offset;
        break;
    case SEEK_END:
        if (size < 0)
            return AVERROR(ENOSYS);
        target = size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    self->m_ioPos = target;
    return target;
}

int AudioDecoder::openInput(const std::string &nameHint, bool network, const AVInputFormat *format)
{
    // Damaged songs are common and are reported through error codes; FFmpeg's own complaints would
    // only flood the player's standard error.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });
    auto *ioBuffer = static_cast<uint8_t *>(av_malloc(kIoBufferSize));
    if (!ioBuffer)
        return BASS_ERROR_MEM;
    m_io = avio_alloc_context(ioBuffer, kIoBufferSize, 0, this, &AudioDecoder::readPacket, nullptr,
                              &AudioDecoder::seekPacket);
    m_format = avformat_alloc_context();
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (!m_io || !m_format || !m_packet || !m_frame) {
        if (!m_io)
            av_free(ioBuffer);
        return BASS_ERROR_MEM;
    }
    // A download must not be read to its end just to probe it (Ogg looks for its last page when it can).
    if (network)
        m_io->seekable = 0;
    m_format->pb = m_io;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_format->io_open = &refuseNestedOpen;

    AVDictionary *options = nullptr;
    av_dict_set(&options, "format_whitelist", "mp3,asf,wav,ogg", 0);
    // Over the network every byte read before the open returns is waiting time: look for the first
    // timestamp in the first packets only instead of fifty of them.
    if (network)
        av_dict_set(&options, "max_ts_probe", "1", 0);
    int r = avformat_open_input(&m_format, nameHint.c_str(), format, &options);
    av_dict_free(&options);
    if (r < 0)
        return BASS_ERROR_FILEFORM; // avformat_open_input has freed m_format
    return BASS_OK;
}

int AudioDecoder::findAudioStream(const AVCodec **codec)
{
    m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, codec, 0);
    if (m_streamIndex == AVERROR_DECODER_NOT_FOUND)
        return BASS_ERROR_CODEC;
    if (m_streamIndex < 0 || !*codec)
        return BASS_ERROR_FILEFORM;
    return BASS_OK;
}

int AudioDecoder::open(const std::string &nameHint, bool network)
{
    int error = openInput(nameHint, network, nullptr);
    if (error != BASS_OK)
        return error;
    if (avformat_find_stream_info(m_format, nullptr) < 0)
        return BASS_ERROR_FILEFORM;

    const AVCodec *codec = nullptr;
    error = findAudioStream(&codec);
    if (error != BASS_OK)
        return error;
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        if (int(i) != m_streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVStream *stream = m_format->streams[m_streamIndex];
    m_codec = avcodec_alloc_context3(codec);
    if (!m_codec)
        return BASS_ERROR_MEM;
    if (avcodec_parameters_to_context(m_codec, stream->codecpar) < 0)
        return BASS_ERROR_CODEC;
    m_codec->pkt_timebase = stream->time_base;
    m_codec->thread_count = 1;
    if (avcodec_open2(m_codec, codec, nullptr) < 0)
        return BASS_ERROR_CODEC;
    m_startTs = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;

    if (receiveFrame() != Next::Frame)
        return BASS_ERROR_FILEFORM;
    m_frameReady = true;
    m_rate = m_frame->sample_rate > 0 ? m_frame->sample_rate : m_codec->sample_rate;
    const int sourceChannels = m_frame->ch_layout.nb_channels;
    if (m_rate <= 0 || sourceChannels <= 0)
        return BASS_ERROR_FILEFORM;
    m_channels = std::min(sourceChannels, 2);

    m_length = lengthFrames(m_format, stream, m_rate);
    m_formatName = m_format->iformat && m_format->iformat->name ? m_format->iformat->name : "";
    m_codecName = codec->name ? codec->name : "";
    m_outRate = m_rate;
    if (network)
        m_io->seekable = AVIO_SEEKABLE_NORMAL;
    return BASS_OK;
}

int AudioDecoder::probeLength(const std::string &nameHint, double *seconds)
{
    *seconds = 0;
    const ProvenFormat proven = provenFormat(m_source);
    int error = openInput(nameHint, false, proven.name ? av_find_input_format(proven.name) : nullptr);
    if (error != BASS_OK)
        return error;

    const AVCodec *codec = nullptr;
    int rate = 0;
    bool fromHeader = false;
    if (proven.mp3Rate > 0) {
        // The mp3 demuxer leaves rate and channels to the packets, so av_find_best_stream passes its
        // stream over until they are read; the frame headers proven above already told the rate.
        // A cover picture is a stream of its own; two audio streams are left to the full steps.
        int audio = -1;
        int audioStreams = 0;
        for (unsigned i = 0; i < m_format->nb_streams; ++i) {
            if (m_format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
                audio = int(i);
                ++audioStreams;
            }
        }
        if (audioStreams == 1 && m_format->streams[audio]->duration != AV_NOPTS_VALUE &&
            m_format->streams[audio]->duration > 0) {
            codec = avcodec_find_decoder(m_format->streams[audio]->codecpar->codec_id);
            m_streamIndex = audio;
            rate = proven.mp3Rate;
            fromHeader = codec != nullptr;
        }
    } else if (proven.name && m_format->nb_streams == 1 && findAudioStream(&codec) == BASS_OK) {
        const AVCodecParameters *par = m_format->streams[m_streamIndex]->codecpar;
        rate = par->sample_rate;
        fromHeader = rate > 0 && par->ch_layout.nb_channels > 0 &&
                     lengthFrames(m_format, m_format->streams[m_streamIndex], rate) >= 0;
    }
    if (!fromHeader) {
        // No length in the header (an mp3 without a Xing frame is measured by its bit rate, which the
        // packets tell), or a file the first bytes did not prove: the same steps as open().
        codec = nullptr;
        if (avformat_find_stream_info(m_format, nullptr) < 0)
            return BASS_ERROR_FILEFORM;
        error = findAudioStream(&codec);
        if (error != BASS_OK)
            return error;
        // open() takes the rate from the first decoded frame, which repeats the stream's.
        const AVCodecParameters *par = m_format->streams[m_streamIndex]->codecpar;
        rate = par->sample_rate;
        if (rate <= 0 || par->ch_layout.nb_channels <= 0)
            return BASS_ERROR_FILEFORM;
    }

    m_rate = rate;
    m_length = lengthFrames(m_format, m_format->streams[m_streamIndex], rate);
    m_formatName = m_format->iformat && m_format->iformat->name ? m_format->iformat->name : "";
    m_codecName = codec->name ? codec->name : "";
    // As a stream counts it: whole frames at the source rate, 0 when the container does not know.
    if (m_length > 0)
        *seconds = double(m_length) / double(m_rate);
    return BASS_OK;
}

void AudioDecoder::setOutput(bool floatSamples, int rate)
{
    m_outFloat = floatSamples;
    m_outRate = rate > 0 ? rate : m_rate;
    swr_free(&m_swr);
    m_swrInFormat = -1;
    m_outPos = m_outAvail = 0;
}

AudioDecoder::Next AudioDecoder::receiveFrame()
{
    for (;;) {
        int r = avcodec_receive_frame(m_codec, m_frame);
        if (r == 0) {
            if (m_frame->nb_samples > 0 && m_frame->ch_layout.nb_channels > 0) {
                m_errors = 0;
                return Next::Frame;
            }
            av_frame_unref(m_frame);
            continue;
        }
        if (r == AVERROR_EOF)
            return Next::End;
        if (r != AVERROR(EAGAIN)) {
            if (++m_errors > kMaxConsecutiveErrors)
                return Next::End;
            continue;
        }
        if (m_inputDone)
            return Next::End;
        r = av_read_frame(m_format, m_packet);
        if (r < 0) {
            // End of data or a read failure: let the decoder hand out what it still holds.
            avcodec_send_packet(m_codec, nullptr);
            m_inputDone = true;
            continue;
        }
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet);
            continue;
        }
        r = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        if (r < 0 && r != AVERROR(EAGAIN) && ++m_errors > kMaxConsecutiveErrors)
            return Next::End;
    }
}

bool AudioDecoder::configureResampler()
{
    const AVFrame *f = m_frame;
    const uint64_t mask = f->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? f->ch_layout.u.mask : 0;
    if (m_swr && m_swrInFormat == f->format && m_swrInRate == f->sample_rate &&
        m_swrInChannels == f->ch_layout.nb_channels && m_swrInMask == mask)
        return true;
    swr_free(&m_swr);
    AVChannelLayout in = layoutOf(f->ch_layout);
    AVChannelLayout out;
    av_channel_layout_default(&out, m_channels);
    const AVSampleFormat outFormat = m_outFloat ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16;
    int r = swr_alloc_set_opts2(&m_swr, &out, outFormat, m_outRate, &in, AVSampleFormat(f->format),
                                f->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (r < 0 || swr_init(m_swr) < 0) {
        swr_free(&m_swr);
        return false;
    }
    m_swrInFormat = f->format;
    m_swrInRate = f->sample_rate;
    m_swrInChannels = f->ch_layout.nb_channels;
    m_swrInMask = mask;
    return true;
}

// Converts the waiting frame into m_out; drops the part before a seek target.
bool AudioDecoder::convertFrame()
{
    AVFrame *f = m_frame;
    m_frameReady = false;
    int skip = 0;
    if (m_trimPending) {
        m_trimPending = false;
        if (f->best_effort_timestamp != AV_NOPTS_VALUE) {
            const AVStream *stream = m_format->streams[m_streamIndex];
            const int64_t first =
                av_rescale_q(f->best_effort_timestamp - m_startTs, stream->time_base, AVRational{1, m_rate});
            if (first + f->nb_samples <= m_trimTarget) {
                m_trimPending = true;
                av_frame_unref(f);
                return true;
            }
            if (first < m_trimTarget)
                skip = int(m_trimTarget - first);
        }
    }
    if (!configureResampler()) {
        av_frame_unref(f);
        return false;
    }
    const int bytesPerSample = av_get_bytes_per_sample(AVSampleFormat(f->format));
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f->format));
    const int planes = planar ? f->ch_layout.nb_channels : 1;
    const int step = bytesPerSample * (planar ? 1 : f->ch_layout.nb_channels);
    std::vector<const uint8_t *> in(static_cast<size_t>(planes));
    for (int i = 0; i < planes; ++i)
        in[size_t(i)] = f->extended_data[i] + size_t(skip) * size_t(step);
    const int inCount = f->nb_samples - skip;
    const int outBytesPerFrame = m_channels * (m_outFloat ? 4 : 2);
    const int maxOut = swr_get_out_samples(m_swr, inCount);
    if (maxOut < 0) {
        av_frame_unref(f);
        return false;
    }
    if (m_out.size() < size_t(maxOut) * size_t(outBytesPerFrame))
        m_out.resize(size_t(maxOut) * size_t(outBytesPerFrame));
    uint8_t *out = m_out.data();
    const int got = swr_convert(m_swr, &out, maxOut, in.data(), inCount);
    av_frame_unref(f);
    if (got < 0)
        return false;
    m_outPos = 0;
    m_outAvail = got;
    m_position += inCount;
    return true;
}

void AudioDecoder::flushResampler()
{
    if (!m_swr)
        return;
    const int maxOut = swr_get_out_samples(m_swr, 0);
    if (maxOut <= 0)
        return;
    const int outBytesPerFrame = m_channels * (m_outFloat ? 4 : 2);
    if (m_out.size() < size_t(maxOut) * size_t(outBytesPerFrame))
        m_out.resize(size_t(maxOut) * size_t(outBytesPerFrame));
    uint8_t *out = m_out.data();
    const int got = swr_convert(m_swr, &out, maxOut, nullptr, 0);
    m_outPos = 0;
    m_outAvail = std::max(got, 0);
}

int AudioDecoder::read(void *out, int maxFrames)
{
    if (!m_codec || maxFrames <= 0)
        return 0;
    const int outBytesPerFrame = m_channels * (m_outFloat ? 4 : 2);
    auto *dst = static_cast<uint8_t *>(out);
    int done = 0;
    while (done < maxFrames) {
        if (m_outAvail > 0) {
            const int n = std::min(m_outAvail, maxFrames - done);
            std::memcpy(dst + size_t(done) * size_t(outBytesPerFrame),
                        m_out.data() + size_t(m_outPos) * size_t(outBytesPerFrame),
                        size_t(n) * size_t(outBytesPerFrame));
            m_outPos += n;
            m_outAvail -= n;
            done += n;
            continue;
        }
        if (m_ended)
            break;
        if (!m_frameReady && receiveFrame() == Next::End) {
            flushResampler();
            m_ended = true;
            continue;
        }
        m_frameReady = true;
        convertFrame();
    }
    return done;
}

bool AudioDecoder::seek(int64_t frame)
{
    if (!m_codec)
        return false;
    const AVStream *stream = m_format->streams[m_streamIndex];
    const int64_t ts = av_rescale_q(frame, AVRational{1, m_rate}, stream->time_base) + m_startTs;
    int r = av_seek_frame(m_format, m_streamIndex, ts, AVSEEK_FLAG_BACKWARD);
    if (r < 0)
        r = avformat_seek_file(m_format, m_streamIndex, INT64_MIN, ts, INT64_MAX, 0);
    if (r < 0)
        return false;
    avcodec_flush_buffers(m_codec);
    av_frame_unref(m_frame);
    if (m_swr) {
        swr_close(m_swr);
        swr_init(m_swr);
    }
    m_frameReady = false;
    m_inputDone = false;
    m_ended = false;
    m_errors = 0;
    m_outPos = m_outAvail = 0;
    m_trimPending = true;
    m_trimTarget = frame;
    m_position = frame;
    m_exact = frame == 0;
    return true;
}

int64_t AudioDecoder::position() const
{
    if (m_outRate <= 0)
        return m_position;
    return m_position - int64_t(m_outAvail) * m_rate / m_outRate;
}

} // namespace kvraudio
