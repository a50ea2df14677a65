#pragma once

// Per-thread state of the audio layer: the error code every API call leaves behind, and which of the
// layer's own threads the caller is on (a callback must not join the thread it runs on).

namespace kvraudio {

class NetSource;

void setLastError(int code);
int lastError();

// Set once by the sync thread and every download thread.
void markCallbackThread(const NetSource *downloadOf);
bool onCallbackThread();
// The URL source whose download thread this is, or nullptr.
const NetSource *downloadThreadSource();

} // namespace kvraudio
