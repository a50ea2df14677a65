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

} // namespace kvraudio::testing
