#include "ThreadState.h"

#include "kvraudio.h"

namespace kvraudio {

namespace {
thread_local int t_lastError = BASS_OK;
thread_local bool t_callbackThread = false;
thread_local const NetSource *t_downloadOf = nullptr;
} // namespace

void setLastError(int code)
{
    t_lastError = code;
}

int lastError()
{
    return t_lastError;
}

void markCallbackThread(const NetSource *downloadOf)
{
    t_callbackThread = true;
    t_downloadOf = downloadOf;
}

bool onCallbackThread()
{
    return t_callbackThread;
}

const NetSource *downloadThreadSource()
{
    return t_downloadOf;
}

} // namespace kvraudio
