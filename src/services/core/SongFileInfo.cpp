#include "services/core/SongFileInfo.h"

#include "services/seams/MainWindowSeam.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

#include "audio/kvraudio.h"

namespace {

const QString &unknownArtist()
{
    static const QString text = QStringLiteral("未知艺术家");
    return text;
}

const QString &unknownAlbum()
{
    static const QString text = QStringLiteral("未知专辑");
    return text;
}

struct FreeQueue
{
    QMutex lock;
    std::function<void(quint32)> queue;
};

FreeQueue &freeQueue()
{
    static FreeQueue q;
    return q;
}

} // namespace

void g_setStreamFreeQueue(std::function<void(quint32 handle)> queue)
{
    QMutexLocker locker(&freeQueue().lock);
    freeQueue().queue = std::move(queue);
}

void g_handStreamToFreeQueue(quint32 handle)
{
    if (handle == 0)
        return;
    std::function<void(quint32)> queue;
    {
        QMutexLocker locker(&freeQueue().lock);
        queue = freeQueue().queue;
    }
    if (queue) {
        queue(handle);
        return;
    }
    BASS_StreamFree(handle);
}

float g_getSongDuration(const QString &path)
{
    const QByteArray file = path.toLocal8Bit();
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.constData(), 0, 0, 0);
    if (!stream)
        return 0;
    const QWORD bytes = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    double seconds = 0;
    if (bytes != QWORD(-1))
        seconds = BASS_ChannelBytes2Seconds(stream, bytes);
    g_handStreamToFreeQueue(stream);
    return seconds > 0 ? float(seconds) : 0.0f;
}

void g_getSongTag(const QString &path, QString &title, QString &artist, QString &album)
{
    QString tagText;
    const QByteArray file = path.toLocal8Bit();
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, file.constData(), 0, 0, BASS_STREAM_DECODE);
    if (stream) {
        const char *tags = TAGS_Read(stream, "%TITL|%ARTI|%ALBM");
        if (tags)
            tagText = QString::fromLocal8Bit(tags);
        g_handStreamToFreeQueue(stream);
    }
    g_applySongTagRules(path, tagText, title, artist, album);
}

SongFileInfo g_readSongFile(const QString &path)
{
    SongFileInfo info;
    double seconds = 0;
    const char *tags = KVR_ReadFileInfo(path.toLocal8Bit().constData(), "%TITL|%ARTI|%ALBM", &seconds);
    info.seconds = seconds > 0 ? float(seconds) : 0.0f;
    g_applySongTagRules(path, tags ? QString::fromLocal8Bit(tags) : QString(), info.title, info.artist,
                        info.album);
    return info;
}

void g_applySongTagRules(const QString &path, const QString &tagText, QString &title, QString &artist,
                         QString &album)
{
    title.clear();
    artist = unknownArtist();
    album = unknownAlbum();

    if (!tagText.trimmed().isEmpty()) {
        const int first = tagText.indexOf(QLatin1Char('|'));
        const int second = first < 0 ? -1 : tagText.indexOf(QLatin1Char('|'), first + 1);
        QString tagTitle = tagText;
        QString tagArtist;
        QString tagAlbum;
        if (first >= 0) {
            tagTitle = tagText.left(first);
            if (second >= 0) {
                tagArtist = tagText.mid(first + 1, second - first - 1);
                tagAlbum = tagText.mid(second + 1);
            } else {
                tagArtist = tagText.mid(first + 1);
            }
        }
        title = tagTitle;

        static const QRegularExpression onlyQuestionMarks(QStringLiteral("(^\\?{1,})(\\s{0,})(\\?{1,}$)"));
        album = tagAlbum.simplified();
        if (onlyQuestionMarks.match(album).hasMatch() || album.isEmpty() || album == QLatin1String(" "))
            album = unknownAlbum();
        artist = tagArtist.simplified();
        if (artist.isEmpty() || artist == QLatin1String(" "))
            artist = unknownArtist();
    }

    // The file name decides title (always) and artist (when it has a "-"). Paths use "/".
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const int dash = name.indexOf(QLatin1Char('-'));
    if (dash >= 0) {
        artist = name.left(dash);
        title = name.mid(dash + 1);
    } else {
        title = name;
    }
    title = title.trimmed();
    // Cut the extension: the four file types the player opens all have a three-letter one.
    const int dot = title.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        title.truncate(dot);
    artist = artist.trimmed();
}

QString g_bassErrorSentence(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral(": The file could not be opened");
    case 6:
        return QStringLiteral(": The sample format is not supported by the device/drivers");
    case 41:
        return QStringLiteral(": The file's format is not recognised/supported");
    case 44:
        return QStringLiteral(": The file uses a codec that is not available/supported");
    default:
        return QLatin1Char(' ') + QString::number(code);
    }
}

void g_showBassError(const QString &text, bool withBassError)
{
    QString message = text;
    if (withBassError) {
        message += g_bassErrorSentence(BASS_ErrorGetCode());
    }
    g_mainWindowSeam()->showCriticalMessage(QStringLiteral("error"), message);
}
