#include "services/seams/LoggingLyricDisplaySeam.h"

#include "services/core/LogCategories.h"

#include <QDebug>

void LoggingLyricDisplaySeam::loadLrcFile(const QString &sSongPath)
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO << sSongPath;
}

void LoggingLyricDisplaySeam::StartLrcDisplay()
{
    qCDebug(lcSeams).noquote() << Q_FUNC_INFO;
}
