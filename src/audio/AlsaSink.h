#pragma once

#include "OutputSink.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _snd_pcm snd_pcm_t;

namespace kvraudio {

// An ALSA playback device, 16-bit stereo, about 100 ms of buffer. The device stays open for the
// sink's life; when nothing plays it is drained and prepared again at the next write.
class AlsaSink : public OutputSink
{
public:
    // nullptr when the device cannot be opened at this rate.
    static std::unique_ptr<AlsaSink> open(const std::string &device, int rate);
    ~AlsaSink() override;

    int rate() const override { return m_rate; }
    int periodFrames() const override { return m_period; }
    bool write(const float *frames, int count) override;
    int64_t queued() override;
    void drain() override;

private:
    AlsaSink(snd_pcm_t *pcm, int rate, int period);

    snd_pcm_t *m_pcm;
    int m_rate;
    int m_period;
    bool m_prepared = true;
    std::vector<int16_t> m_samples;
};

} // namespace kvraudio
