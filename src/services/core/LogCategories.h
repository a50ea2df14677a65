#pragma once

#include <QLoggingCategory>

// One logging category per area of the engine, so an area's debug lines can be switched on or
// off without a rebuild: QT_LOGGING_RULES="kvr.net.debug=false;kvr.playback.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCore)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
Q_DECLARE_LOGGING_CATEGORY(lcPictures)
Q_DECLARE_LOGGING_CATEGORY(lcDownloads)
Q_DECLARE_LOGGING_CATEGORY(lcSeams)
