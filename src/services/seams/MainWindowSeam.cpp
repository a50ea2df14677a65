#include "services/seams/MainWindowSeam.h"

#include "services/seams/LoggingMainWindowSeam.h"
#include "services/seams/Seam.h"

MainWindowSeam *g_mainWindowSeam()
{
    static LoggingMainWindowSeam fallback;
    return Seam<MainWindowSeam>::current(fallback);
}

void g_setMainWindowSeam(MainWindowSeam *seam)
{
    Seam<MainWindowSeam>::install(seam);
}
