#include "services/seams/LyricDisplaySeam.h"

#include "services/seams/LoggingLyricDisplaySeam.h"
#include "services/seams/Seam.h"

LyricDisplaySeam *g_lyricDisplaySeam()
{
    static LoggingLyricDisplaySeam fallback;
    return Seam<LyricDisplaySeam>::current(fallback);
}

void g_setLyricDisplaySeam(LyricDisplaySeam *seam)
{
    Seam<LyricDisplaySeam>::install(seam);
}
