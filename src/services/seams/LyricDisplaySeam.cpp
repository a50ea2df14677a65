#include "services/seams/LyricDisplaySeam.h"

#include <QDebug>

LyricDisplaySeam::~LyricDisplaySeam() = default;

void LyricDisplaySeam::loadLrcFile(const QString &sSongPath)
{
    qDebug().noquote() << Q_FUNC_INFO << sSongPath;
}

void LyricDisplaySeam::StartLrcDisplay()
{
    qDebug().noquote() << Q_FUNC_INFO;
}

namespace {

LyricDisplaySeam *&installed()
{
    static LyricDisplaySeam *seam = nullptr;
    return seam;
}

} // namespace

LyricDisplaySeam *g_lyricDisplaySeam()
{
    static LyricDisplaySeam fallback;
    LyricDisplaySeam *seam = installed();
    return seam ? seam : &fallback;
}

void g_setLyricDisplaySeam(LyricDisplaySeam *seam)
{
    installed() = seam;
}
