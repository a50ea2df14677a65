#include "services/seams/PlayListSeam.h"

#include "services/seams/LoggingPlayListSeam.h"
#include "services/seams/Seam.h"

PlayListSeam *g_playListSeam()
{
    static LoggingPlayListSeam fallback;
    return Seam<PlayListSeam>::current(fallback);
}

void g_setPlayListSeam(PlayListSeam *seam)
{
    Seam<PlayListSeam>::install(seam);
}
