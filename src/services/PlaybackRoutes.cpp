#include "PlaybackRoutes.h"

#include "RadioPlayHandler.h"
#include "SongInfoAnswer.h"
#include "httpRequestHandler.h"
#include "songplayHandler.h"

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
