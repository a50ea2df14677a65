#pragma once

// Seams of the audio layer for its tests; the player does not use them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvraudio::testing {

// Starts recording the mixed output as the device takes it (after effects and volumes): interleaved
// stereo float at the rate given to BASS_Init, at most maxFrames frames. Restarts a running recording.
void startCapture(std::size_t maxFrames);
// Stops recording and returns what was recorded.
std::vector<float> stopCapture();

// The longest a URL stream may take to open, ms: connecting, the answer's header and the data the
// decoder needs to start. 0 restores the default (20000). Applies to streams created afterwards.
void setNetOpenDeadline(int ms);
// The most a URL stream spools when the server announced no length, bytes. 0 restores the default
// (512 MiB). Applies to streams created afterwards.
void setNetSpoolLimit(int64_t bytes);

} // namespace kvraudio::testing

// Pace of the silent device: `factor` times real time (a positive number), from now on, also for
// later BASS_Init calls, ahead of KVR_AUDIO_SPEED. Anything else goes back to what KVR_AUDIO_SPEED
// says (1 when unset). Positions, lengths and ends stay counted in frames: a 15 s song at 20 ends
// after about 0.75 s with one END.
extern "C" void KVR_SetSilentSpeed(double factor);
