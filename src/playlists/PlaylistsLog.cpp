#include "playlists/PlaylistsLog.h"

Q_LOGGING_CATEGORY(lcPlaylists, "kvr.playlists")
