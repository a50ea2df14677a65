#include "kvraudio_testing.h"

#include "AudioEngine.h"

namespace kvraudio::testing {

void startCapture(std::size_t maxFrames)
{
    AudioEngine::instance().startCapture(maxFrames);
}

std::vector<float> stopCapture()
{
    return AudioEngine::instance().stopCapture();
}

void setNetOpenDeadline(int ms)
{
    AudioEngine::instance().setNetLimits(ms, -1);
}

void setNetSpoolLimit(int64_t bytes)
{
    AudioEngine::instance().setNetLimits(-1, bytes);
}

} // namespace kvraudio::testing

void KVR_SetSilentSpeed(double factor)
{
    kvraudio::AudioEngine::instance().setSilentSpeed(factor);
}
