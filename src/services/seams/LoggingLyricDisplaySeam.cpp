#include "services/seams/LoggingLyricDisplaySeam.h"

#include <QDebug>

void LoggingLyricDisplaySeam::loadLrcFile(const QString &sSongPath)
{
    qDebug().noquote() << Q_FUNC_INFO << sSongPath;
}

void LoggingLyricDisplaySeam::StartLrcDisplay()
{
    qDebug().noquote() << Q_FUNC_INFO;
}
