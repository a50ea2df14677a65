#pragma once

class httpRequestHandler;

// Registers the playback road's answers with the web-service client: the song information
// (type 1, a SongInfoAnswer owned by the client), the stream address (16, the playback
// controller) and the radio refill (28, the radio queue). Call it once the client, the controller
// (g_pSongPlayHandler) and the radio queue (g_pRadioPlayHandler) exist; an owner that does not
// exist yet is skipped.
void g_installPlaybackRoutes(httpRequestHandler *client);
