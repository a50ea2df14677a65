#pragma once

#include "services/seams/LyricDisplaySeam.h"

// The desktop lyrics as the services see them while none are installed: every call writes a
// debug line.
class LoggingLyricDisplaySeam : public LyricDisplaySeam
{
public:
    void loadLrcFile(const QString &sSongPath) override;
    void StartLrcDisplay() override;
};
