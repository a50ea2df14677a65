#include "services/core/LogCategories.h"

Q_LOGGING_CATEGORY(lcCore, "kvr.core")
Q_LOGGING_CATEGORY(lcNet, "kvr.net")
Q_LOGGING_CATEGORY(lcPlayback, "kvr.playback")
Q_LOGGING_CATEGORY(lcPictures, "kvr.pictures")
Q_LOGGING_CATEGORY(lcDownloads, "kvr.downloads")
Q_LOGGING_CATEGORY(lcSeams, "kvr.seams")
