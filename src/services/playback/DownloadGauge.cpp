#include "services/playback/DownloadGauge.h"

#include "audio/kvraudio.h"
#include "services/playback/PlaybackConstants.h"
#include "services/playback/PlaybackGlobals.h"
#include "services/playback/songplayHandler.h"

#include <algorithm>

int g_updateDownloadGauge(songplayHandler *player)
{
    const quint32 stream = g_hStream.load();
    if (!player || stream == 0 || g_nSongSourceKind != SongSourceKind::kNetwork || player->m_bCacheFinished)
        return -1;
    const QWORD downloaded = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD);
    if (downloaded == QWORD(-1))
        return -1;
    PlaybackSession &session = player->m_session;
    if (session.m_llStreamStart == 0) {
        const QWORD start = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_START);
        if (start != QWORD(-1))
            session.m_llStreamStart = qint64(start);
    }
    if (g_bNetSongComplete)
        session.m_llStreamEnd = session.m_llStreamStart + qint64(downloaded);
    const qint64 span = session.m_llStreamEnd - session.m_llStreamStart;
    if (span <= 0)
        return 0;
    const int permille = int(std::clamp<qint64>(qint64(downloaded) * 1000 / span, 0, 1000));
    if (permille == 1000)
        player->netplayCacheFinishedHandler();
    return permille;
}
