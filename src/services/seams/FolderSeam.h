#pragma once

#include <QString>

// The folders of the folder manager (CD_MANAGER) as the engine services read them: the
// streamed-song cache, the download folder and the lyric folder. The folder manager belongs to
// the settings subsystem, above this layer; it installs its implementation once it exists
// (g_setFolderSeam(manager)) and removes it before it goes. Until then a FixedFolderSeam with
// empty folders answers.
//
// Every accessor returns a copy of the path, without a trailing separator; callers join names
// with "/". GUI thread only.
class FolderSeam
{
public:
    virtual ~FolderSeam() = default;

    virtual QString getCacheDir() const = 0;
    virtual QString getDownDir() const = 0;
    virtual QString getLrcDir() const = 0;
};

// The seam in force: the installed one, or the default with empty folders. Never null.
FolderSeam *g_folderSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setFolderSeam(FolderSeam *seam);
