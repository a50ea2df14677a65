#include "AlsaSink.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>

namespace kvraudio {

std::unique_ptr<AlsaSink> AlsaSink::open(const std::string &device, int rate)
{
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, 0) < 0)
        return nullptr;
    // Soft resampling on: the plug layer converts when the hardware runs at another rate.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, unsigned(rate), 1,
                           100000) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    snd_pcm_uframes_t bufferSize = 0;
    snd_pcm_uframes_t periodSize = 0;
    if (snd_pcm_get_params(pcm, &bufferSize, &periodSize) < 0 || periodSize == 0)
        periodSize = 1024;
    const int period = int(std::clamp<snd_pcm_uframes_t>(periodSize, 256, 4096));
    return std::unique_ptr<AlsaSink>(new AlsaSink(pcm, rate, period));
}

AlsaSink::AlsaSink(snd_pcm_t *pcm, int rate, int period)
    : m_pcm(pcm)
    , m_rate(rate)
    , m_period(period)
{
}

AlsaSink::~AlsaSink()
{
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
}

bool AlsaSink::write(const float *frames, int count)
{
    if (!m_prepared) {
        if (snd_pcm_prepare(m_pcm) < 0)
            return false;
        m_prepared = true;
    }
    m_samples.resize(size_t(count) * 2);
    for (size_t i = 0; i < m_samples.size(); ++i) {
        const float v = std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f;
        m_samples[i] = int16_t(std::lrint(v));
    }
    const int16_t *p = m_samples.data();
    int left = count;
    while (left > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, p, snd_pcm_uframes_t(left));
        if (n == -EAGAIN)
            continue;
        if (n < 0) {
            // Under-runs and suspends are recoverable; anything else means the device is gone.
            if (snd_pcm_recover(m_pcm, int(n), 1) < 0)
                return false;
            continue;
        }
        p += n * 2;
        left -= int(n);
    }
    return true;
}

int64_t AlsaSink::queued()
{
    snd_pcm_sframes_t delay = 0;
    if (!m_prepared || snd_pcm_delay(m_pcm, &delay) < 0)
        return 0;
    return std::max<int64_t>(delay, 0);
}

void AlsaSink::drain()
{
    if (!m_prepared)
        return;
    snd_pcm_drain(m_pcm);
    m_prepared = false;
}

} // namespace kvraudio
