#include "services/core/LocalSongInfo.h"

#include <cmath>

QList<_tag_localsonginfo_ *> g_listLocalSongs;

QString g_formatSongDuration(double seconds)
{
    const qint64 whole = (std::isfinite(seconds) && seconds > 0) ? qint64(seconds) : 0;
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}
