#include "services/playback/PlaybackRoutes.h"

#include "services/net/httpRequestHandler.h"
#include "services/playback/RadioPlayHandler.h"
#include "services/playback/SongInfoAnswer.h"
#include "services/playback/songplayHandler.h"

void g_installPlaybackRoutes(httpRequestHandler *client)
{
    if (!client)
        return;
    auto *songInfo = new SongInfoAnswer(client);
    songInfo->setObjectName(QStringLiteral("SongInfoAnswer"));
    songInfo->registerRoutes(client);
    if (g_pSongPlayHandler)
        g_pSongPlayHandler->registerRoutes(client);
    if (g_pRadioPlayHandler)
        g_pRadioPlayHandler->registerRoutes(client);
}
