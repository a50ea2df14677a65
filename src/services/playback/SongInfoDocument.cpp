#include "services/playback/SongInfoDocument.h"

#include <QDomDocument>

#include <cmath>
#include <limits>

namespace {

// The text of a child element of the root whose first child is a CDATA section.
QString cdataOf(const QDomElement &root, const QString &name)
{
    const QDomNode first = root.firstChildElement(name).firstChild();
    return first.isCDATASection() ? first.toCDATASection().data() : QString();
}

// The text of a child element of the root whose first child is a text node.
QString textOf(const QDomElement &root, const QString &name)
{
    const QDomNode first = root.firstChildElement(name).firstChild();
    return first.nodeName() == QLatin1String("#text") ? first.toText().data() : QString();
}

} // namespace

QString SongInfoDocument::durationText(const QString &seconds)
{
    bool ok = false;
    const double value = seconds.trimmed().toDouble(&ok);
    // 2^63 is exact as a double; anything from there on (and NaN) would make the conversion to
    // qint64 undefined.
    constexpr double kBeyondQint64 = double(std::numeric_limits<qint64>::max());
    const bool known = ok && std::isfinite(value) && value > 0 && value < kBeyondQint64;
    const qint64 whole = known ? qint64(value) : 0;
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

SongInfoDocument SongInfoDocument::parse(const QString &xml)
{
    SongInfoDocument info;
    QDomDocument doc;
    QString errMsg;
    int errLine = 0;
    if (!doc.setContent(xml, &errMsg, &errLine)) {
        info.status = Status::NotXml;
        info.error = errMsg + QStringLiteral(" (line ") + QString::number(errLine) + QLatin1Char(')');
        return info;
    }
    const QDomElement root = doc.documentElement();
    info.streamPath = cdataOf(root, QStringLiteral("wma"));
    if (info.streamPath.isEmpty()) {
        info.status = Status::NoStreamPath;
        return info;
    }
    info.status = Status::Parsed;
    info.playState = textOf(root, QStringLiteral("playstate")).trimmed();
    info.duration = durationText(textOf(root, QStringLiteral("mp3time")));
    info.size = textOf(root, QStringLiteral("mp3size"));
    info.singerId = textOf(root, QStringLiteral("gsid"));
    info.singer = cdataOf(root, QStringLiteral("geshou"));
    info.albumId = textOf(root, QStringLiteral("zjid"));
    info.albumName = cdataOf(root, QStringLiteral("zjname"));
    info.albumPicture = cdataOf(root, QStringLiteral("zjpic"));
    info.lyric = cdataOf(root, QStringLiteral("tqrcword"));
    if (info.lyric.isEmpty()) {
        info.lyric = cdataOf(root, QStringLiteral("tlrcword"));
        info.lyricWordTimed = false;
    }
    return info;
}
