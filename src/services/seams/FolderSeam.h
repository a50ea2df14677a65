#pragma once

#include <QString>

// The folders of the folder manager (CD_MANAGER) as the engine services read them: the
// streamed-song cache, the download folder and the lyric folder. The folder manager belongs to
// the settings subsystem, above this layer; it installs its implementation once it exists
// (g_setFolderSeam(manager)) and removes it before it goes. Until then, and in tests, the base
// class answers with the values kept in its members.
//
// Every accessor returns a copy of the path, without a trailing separator; callers join names
// with "/". GUI thread only.
class FolderSeam
{
public:
    virtual ~FolderSeam();

    virtual QString getCacheDir() const { return m_sCacheDir; }
    virtual QString getDownDir() const { return m_sDownDir; }
    virtual QString getLrcDir() const { return m_sLrcDir; }

    QString m_sCacheDir;
    QString m_sDownDir;
    QString m_sLrcDir;
};

// The seam in force: the installed one, or the default with empty folders. Never null.
FolderSeam *g_folderSeam();
// Installs a seam (not owned); nullptr restores the default.
void g_setFolderSeam(FolderSeam *seam);
