#include "services/seams/FolderSeam.h"

FolderSeam::~FolderSeam() = default;

namespace {

FolderSeam *&installed()
{
    static FolderSeam *seam = nullptr;
    return seam;
}

} // namespace

FolderSeam *g_folderSeam()
{
    static FolderSeam fallback;
    FolderSeam *seam = installed();
    return seam ? seam : &fallback;
}

void g_setFolderSeam(FolderSeam *seam)
{
    installed() = seam;
}
