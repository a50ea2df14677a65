#pragma once

// Seams of the audio layer for its tests; the player does not use them.

#include <cstddef>
#include <vector>

namespace kvraudio::testing {

// Starts recording the mixed output as the device takes it (after effects and volumes): interleaved
// stereo float at the rate given to BASS_Init, at most maxFrames frames. Restarts a running recording.
void startCapture(std::size_t maxFrames);
// Stops recording and returns what was recorded.
std::vector<float> stopCapture();

} // namespace kvraudio::testing
