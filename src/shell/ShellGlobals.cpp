#include "shell/ShellGlobals.h"

#include <QString>

#include <algorithm>
#include <cmath>

int g_nPlayMode = 3;

namespace {

double &timeScale()
{
    static double scale = [] {
        bool ok = false;
        const double fromEnvironment = qEnvironmentVariable("KVR_TIME_SCALE").toDouble(&ok);
        return ok && fromEnvironment > 0 ? fromEnvironment : 1.0;
    }();
    return scale;
}

} // namespace

double kvrShellTimeScale()
{
    return timeScale();
}

void kvrSetShellTimeScale(double scale)
{
    if (scale > 0)
        timeScale() = scale;
}

int kvrShellMs(int ms)
{
    return std::max(1, int(std::lround(ms * timeScale())));
}
