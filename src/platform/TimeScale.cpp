#include "platform/TimeScale.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

std::atomic<double> &timeScale()
{
    static std::atomic<double> scale([] {
        bool ok = false;
        const double fromEnvironment = qEnvironmentVariable("KVR_TIME_SCALE").toDouble(&ok);
        return ok && fromEnvironment > 0 ? fromEnvironment : 1.0;
    }());
    return scale;
}

} // namespace

double kvrTimeScale()
{
    return timeScale().load();
}

void kvrSetTimeScale(double scale)
{
    if (scale > 0)
        timeScale().store(scale);
}

int kvrScaledMs(int ms)
{
    return std::max(1, int(std::lround(ms * kvrTimeScale())));
}
