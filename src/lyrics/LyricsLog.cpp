#include "lyrics/LyricsLog.h"

Q_LOGGING_CATEGORY(lcLyrics, "kvr.lyrics")
