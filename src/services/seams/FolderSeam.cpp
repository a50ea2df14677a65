#include "services/seams/FolderSeam.h"

#include "services/seams/FixedFolderSeam.h"
#include "services/seams/Seam.h"

FolderSeam *g_folderSeam()
{
    static FixedFolderSeam fallback;
    return Seam<FolderSeam>::current(fallback);
}

void g_setFolderSeam(FolderSeam *seam)
{
    Seam<FolderSeam>::install(seam);
}
