#pragma once

#include "services/seams/FolderSeam.h"

// Folders given as values: the default while no folder manager is installed (all three empty),
// and the folders of tests and benchmarks.
class FixedFolderSeam : public FolderSeam
{
public:
    QString getCacheDir() const override { return m_sCacheDir; }
    QString getDownDir() const override { return m_sDownDir; }
    QString getLrcDir() const override { return m_sLrcDir; }

    QString m_sCacheDir;
    QString m_sDownDir;
    QString m_sLrcDir;
};
