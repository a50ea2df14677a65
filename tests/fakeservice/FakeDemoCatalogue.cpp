#include "FakeDemoCatalogue.h"

#include "FakeWebService.h"

#include <QBuffer>
#include <QColor>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Every web page of the player, by template name.
const char *const kPages[] = {"index", "bang", "geshou", "fenlei", "zhuanti"};
const char kChannelTemplate[] = "fmclass";
// The play state the test fixtures' list of playable states ("getqinquan") holds.
const char kPlayable[] = "1";

quint32 folderOf(quint32 id)
{
    return quint32(std::ceil(double(id) / 10000.0));
}

// "C4" ... "B6", with "#" or "b"; "-" is a rest (-1). 0 when the text is no note.
int noteNumber(const QString &text)
{
    if (text == QLatin1String("-"))
        return -1;
    static const QRegularExpression pattern(QStringLiteral("^([A-G])([#b]?)([0-9])$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return 0;
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int number = semitones[match.captured(1).at(0).unicode() - 'A'];
    if (match.captured(2) == QLatin1String("#"))
        ++number;
    else if (match.captured(2) == QLatin1String("b"))
        --number;
    return number + 12 * (match.captured(3).toInt() + 1);
}

QString lrcTime(double seconds)
{
    const int hundredths = int(std::lround(seconds * 100));
    return QStringLiteral("[%1:%2.%3]")
        .arg(hundredths / 6000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

QString durationText(int seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString number(double value)
{
    return QString::number(value, 'f', 4);
}

// The tune of a song as an ffmpeg "aevalsrc" expression: each note a sine with a little of its
// octave, shaped per beat (a short attack and release so the joins do not click, and a decay
// so it sounds plucked rather than like a test tone), the phrase repeated.
QString tuneExpression(const FakeDemoCatalogue::Song &song)
{
    const double beat = song.beatMs / 1000.0;
    const QString phrase = number(beat * song.notes.size());
    const QString inBeat = QStringLiteral("mod(t,%1)").arg(number(beat));
    const QString inPhrase = QStringLiteral("mod(t,%1)").arg(phrase);
    QStringList voices;
    for (int i = 0; i < song.notes.size(); ++i) {
        if (song.notes.at(i) < 0)
            continue;
        const QString hz = number(440.0 * std::pow(2.0, (song.notes.at(i) - 69) / 12.0));
        voices << QStringLiteral("gte(%1,%2)*lt(%1,%3)*(sin(2*PI*%4*t)+0.3*sin(4*PI*%4*t))")
                      .arg(inPhrase, number(beat * i), number(beat * (i + 1)), hz);
    }
    const QString envelope =
        QStringLiteral("min(1,%1*40)*min(1,(%2-%1)*40)*(0.35+0.65*exp(-3*%1))").arg(inBeat, number(beat));
    return QStringLiteral("0.3*%1*(%2)").arg(envelope, voices.join(QLatin1Char('+')));
}

QColor hueColor(quint32 id, int shift, int saturation, int value)
{
    return QColor::fromHsv(int((id * 67 + quint32(shift)) % 360), saturation, value);
}

// An album cover: a coloured sleeve with a record half out of it.
QByteArray albumPicture(quint32 id)
{
    QImage image(240, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sleeve(0, 0, 240, 240);
    sleeve.setColorAt(0, hueColor(id, 0, 150, 235));
    sleeve.setColorAt(1, hueColor(id, 50, 200, 150));
    painter.fillRect(image.rect(), sleeve);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 24));
    painter.drawEllipse(QPointF(150, 120), 84, 84);
    painter.setBrush(Qt::NoBrush);
    for (int r = 30; r < 82; r += 7) {
        painter.setPen(QPen(QColor(255, 255, 255, 22), 1));
        painter.drawEllipse(QPointF(150, 120), r, r);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(hueColor(id, 180, 120, 245));
    painter.drawEllipse(QPointF(150, 120), 24, 24);
    painter.setBrush(QColor(20, 20, 24));
    painter.drawEllipse(QPointF(150, 120), 4, 4);
    QLinearGradient front(0, 0, 0, 240);
    front.setColorAt(0, hueColor(id, 0, 110, 250));
    front.setColorAt(1, hueColor(id, 30, 170, 200));
    painter.setBrush(front);
    painter.drawRect(0, 0, 120, 240);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return png;
}

// A singer's picture: a figure on a soft round light.
QByteArray singerPicture(quint32 id)
{
    QImage image(160, 160, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient light(80, 60, 120);
    light.setColorAt(0, hueColor(id, 20, 60, 255));
    light.setColorAt(1, hueColor(id, 20, 170, 170));
    painter.fillRect(image.rect(), light);
    painter.setPen(Qt::NoPen);
    painter.setBrush(hueColor(id, 200, 90, 90));
    painter.drawEllipse(QPointF(80, 178), 62, 60);
    painter.setBrush(hueColor(id, 200, 60, 110));
    painter.drawEllipse(QPointF(80, 70), 30, 34);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return png;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A link command: the items are percent-encoded so the page stays valid HTML whatever they
// hold; the player decodes the link before it reads it.
QString commandLink(const QString &command, const QString &items)
{
    return QStringLiteral("${service}/link/KEY=%1://%2")
        .arg(command, QString::fromLatin1(QUrl::toPercentEncoding(items)));
}

// A play command on a channel page: the page's own address, the channel after "#fmid=", so the
// player marks the channel and asks it for more songs when these run out.
QString radioLink(quint32 channelId, const QString &items)
{
    return QStringLiteral("${service}%1#fmid=%2#KEY=JCplayer://%3")
        .arg(FakeDemoCatalogue::channelPagePath(channelId))
        .arg(channelId)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(items)));
}

QString anchor(const QString &href, const QString &text, const QString &extra = QString())
{
    return QStringLiteral("<a%1 href=\"%2\">%3</a>").arg(extra, escaped(href), text);
}

} // namespace

QString FakeDemoCatalogue::defaultDir()
{
    return QStringLiteral(FAKESERVICE_DEMO_DIR);
}

const FakeDemoCatalogue::Singer *FakeDemoCatalogue::singer(quint32 id) const
{
    for (const Singer &s : m_singers) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

const FakeDemoCatalogue::Album *FakeDemoCatalogue::album(quint32 id) const
{
    for (const Album &a : m_albums) {
        if (a.id == id)
            return &a;
    }
    return nullptr;
}

const FakeDemoCatalogue::Song *FakeDemoCatalogue::song(quint32 id) const
{
    for (const Song &s : m_songs) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

QString FakeDemoCatalogue::songInfoPath(quint32 songId)
{
    return QStringLiteral("/html/pxml/%1/%2.xml").arg(folderOf(songId)).arg(songId);
}

QString FakeDemoCatalogue::songFilePath(quint32 songId)
{
    return QStringLiteral("/mp3/%1.mp3").arg(songId);
}

QString FakeDemoCatalogue::singerPicturePath(quint32 singerId)
{
    return QStringLiteral("/pic/gstx/%1/%2.jpg").arg(folderOf(singerId)).arg(singerId);
}

QString FakeDemoCatalogue::albumPicturePath(quint32 albumId)
{
    return QStringLiteral("/pic/zj/%1.png").arg(albumId);
}

QString FakeDemoCatalogue::channelPagePath(quint32 channelId)
{
    return QStringLiteral("/fmclass/%1.html").arg(channelId);
}

QString FakeDemoCatalogue::artistOf(const Song &song) const
{
    const Singer *s = singer(song.singerId);
    return s ? s->name : QString();
}

bool FakeDemoCatalogue::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool FakeDemoCatalogue::load(const QString &dir)
{
    m_dir = dir;
    m_error.clear();
    m_singers.clear();
    m_albums.clear();
    m_songs.clear();
    m_channels.clear();
    QFile file(QDir(dir).filePath(QStringLiteral("catalogue.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1").arg(file.fileName()));
    QTextStream in(&file);
    static const QRegularExpression kindAndRest(QStringLiteral("^(\\w+)\\s+(.*)$"));
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch match = kindAndRest.match(line);
        QStringList fields = match.captured(2).split(QLatin1Char('|'));
        for (QString &field : fields)
            field = field.trimmed();
        if (!match.hasMatch() || !parseLine(match.captured(1), fields))
            return fail(QStringLiteral("%1:%2: %3").arg(file.fileName()).arg(lineNumber).arg(m_error));
    }
    if (m_songs.isEmpty())
        return fail(QStringLiteral("%1: no songs").arg(file.fileName()));
    for (const Song &s : std::as_const(m_songs)) {
        if (!singer(s.singerId) || !album(s.albumId))
            return fail(QStringLiteral("song %1: unknown singer or album").arg(s.id));
    }
    for (const Album &a : std::as_const(m_albums)) {
        if (!singer(a.singerId))
            return fail(QStringLiteral("album %1: unknown singer").arg(a.id));
    }
    for (const Channel &c : std::as_const(m_channels)) {
        for (quint32 id : c.songIds) {
            if (!song(id))
                return fail(QStringLiteral("channel %1: unknown song %2").arg(c.id).arg(id));
        }
    }
    // The templates are checked now, so a mistake in one shows when the catalogue is loaded
    // rather than as a page the player cannot show.
    for (const char *page : kPages) {
        if (renderPage(QLatin1String(page)).isEmpty())
            return false;
    }
    for (const Channel &c : std::as_const(m_channels)) {
        if (renderPage(QLatin1String(kChannelTemplate), &c).isEmpty())
            return false;
    }
    return true;
}

bool FakeDemoCatalogue::parseLine(const QString &kind, const QStringList &fields)
{
    const auto id = [&fields](int index, quint32 *value) {
        bool ok = false;
        *value = fields.value(index).toUInt(&ok);
        return ok && *value > 0;
    };
    if (kind == QLatin1String("singer")) {
        Singer s;
        if (fields.size() != 2 || !id(0, &s.id) || fields.at(1).isEmpty())
            return fail(QStringLiteral("a singer is: id | name"));
        s.name = fields.at(1);
        m_singers << s;
        return true;
    }
    if (kind == QLatin1String("album")) {
        Album a;
        if (fields.size() != 3 || !id(0, &a.id) || fields.at(1).isEmpty() || !id(2, &a.singerId))
            return fail(QStringLiteral("an album is: id | name | singer id"));
        a.name = fields.at(1);
        m_albums << a;
        return true;
    }
    if (kind == QLatin1String("song")) {
        Song s;
        if (fields.size() != 8 || !id(0, &s.id) || fields.at(1).isEmpty() || !id(2, &s.singerId) ||
            !id(3, &s.albumId))
            return fail(QStringLiteral("a song is: id | title | singer id | album id | seconds | beat ms | "
                                       "notes | lyric lines"));
        s.title = fields.at(1);
        s.seconds = fields.at(4).toInt();
        s.beatMs = fields.at(5).toInt();
        if (s.seconds < 5 || s.seconds > 600 || s.beatMs < 50 || s.beatMs > 5000)
            return fail(QStringLiteral("song %1: seconds or beat out of range").arg(s.id));
        bool anyNote = false;
        const QStringList notes = fields.at(6).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &note : notes) {
            const int n = noteNumber(note);
            if (n == 0)
                return fail(QStringLiteral("song %1: \"%2\" is no note").arg(s.id).arg(note));
            anyNote = anyNote || n > 0;
            s.notes << n;
        }
        if (!anyNote)
            return fail(QStringLiteral("song %1: no notes").arg(s.id));
        const QStringList lines = fields.at(7).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString &lyricLine : lines)
            s.lyricLines << lyricLine.trimmed();
        if (s.lyricLines.isEmpty())
            return fail(QStringLiteral("song %1: no lyric").arg(s.id));
        if (song(s.id))
            return fail(QStringLiteral("song %1 twice").arg(s.id));
        m_songs << s;
        return true;
    }
    if (kind == QLatin1String("channel")) {
        Channel c;
        if (fields.size() != 3 || !id(0, &c.id) || fields.at(1).isEmpty())
            return fail(QStringLiteral("a channel is: id | name | song ids"));
        c.name = fields.at(1);
        if (!songsFromArgument(fields.at(2), &c.songIds) || c.songIds.isEmpty())
            return fail(QStringLiteral("channel %1: bad song ids").arg(c.id));
        m_channels << c;
        return true;
    }
    return fail(QStringLiteral("unknown entry \"%1\"").arg(kind));
}

bool FakeDemoCatalogue::songsFromArgument(const QString &argument, QList<quint32> *ids)
{
    ids->clear();
    if (argument == QLatin1String("all")) {
        for (const Song &s : std::as_const(m_songs))
            *ids << s.id;
        return true;
    }
    const QStringList words = argument.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        bool ok = false;
        const quint32 id = word.toUInt(&ok);
        if (!ok)
            return false;
        *ids << id;
    }
    return true;
}

QString FakeDemoCatalogue::lrc(const Song &song) const
{
    QString text = lrcTime(0.5) + song.title + QStringLiteral(" - ") + artistOf(song) + QLatin1Char('\n');
    const double first = 3.0;
    const double last = song.seconds - 3.0;
    const int count = int(song.lyricLines.size());
    for (int i = 0; i < count; ++i) {
        const double at = count == 1 ? first : first + (last - first) * i / (count - 1);
        text += lrcTime(at) + song.lyricLines.at(i) + QLatin1Char('\n');
    }
    return text;
}

QByteArray FakeDemoCatalogue::songInfoXml(const Song &song, qint64 fileSize) const
{
    const Album *a = album(song.albumId);
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<song>\n"
                       "<id>%1</id>\n<name><![CDATA[%2]]></name>\n<wma><![CDATA[%3]]></wma>\n"
                       "<playstate>%4</playstate>\n<mp3time>%5</mp3time>\n<mp3size>%6</mp3size>\n"
                       "<gsid>%7</gsid>\n<geshou><![CDATA[%8]]></geshou>\n<zjid>%9</zjid>\n")
            .arg(song.id)
            .arg(song.title, songFilePath(song.id), QString::fromLatin1(kPlayable))
            .arg(song.seconds)
            .arg(fileSize)
            .arg(song.singerId)
            .arg(artistOf(song))
            .arg(song.albumId) +
        QStringLiteral("<zjname><![CDATA[%1]]></zjname>\n<zjpic><![CDATA[${image}%2]]></zjpic>\n"
                       "<tqrcword><![CDATA[]]></tqrcword>\n<tlrcword><![CDATA[%3]]></tlrcword>\n</song>\n")
            .arg(a ? a->name : QString(), albumPicturePath(song.albumId), lrc(song));
    return xml.toUtf8();
}

QList<quint32> FakeDemoCatalogue::songsOfAlbum(quint32 albumId) const
{
    QList<quint32> ids;
    for (const Song &s : m_songs) {
        if (s.albumId == albumId)
            ids << s.id;
    }
    return ids;
}

QList<quint32> FakeDemoCatalogue::songsOfSinger(quint32 singerId) const
{
    QList<quint32> ids;
    for (const Song &s : m_songs) {
        if (s.singerId == singerId)
            ids << s.id;
    }
    return ids;
}

// The items the player's pages send: id, "[]", artist " - " title (and the album for the play
// and add commands), each ended by "|".
QString FakeDemoCatalogue::itemsOf(const QList<quint32> &ids, bool withAlbum) const
{
    QString items;
    for (quint32 id : ids) {
        const Song *s = song(id);
        items += QString::number(id) + QStringLiteral("[]") + artistOf(*s) + QStringLiteral(" - ") + s->title;
        if (withAlbum)
            items += QStringLiteral("[]") + album(s->albumId)->name;
        items += QLatin1Char('|');
    }
    return items;
}

// The radio queue's own form, as the channel answers more songs: artist "-" title.
QString FakeDemoCatalogue::radioItemsOf(const QList<quint32> &ids) const
{
    QString items;
    for (quint32 id : ids) {
        const Song *s = song(id);
        items += QString::number(id) + QStringLiteral("[]") + artistOf(*s) + QLatin1Char('-') + s->title +
                 QLatin1Char('|');
    }
    return items;
}

QString FakeDemoCatalogue::songTable(const QList<quint32> &ids, const Channel *channel) const
{
    QString html = QStringLiteral("<table class=\"songs\">\n<tr><th></th><th>歌名</th><th>歌手</th>"
                                  "<th>专辑</th><th>时长</th><th>操作</th></tr>\n");
    for (int row = 0; row < ids.size(); ++row) {
        const Song *s = song(ids.at(row));
        const QList<quint32> one{s->id};
        QString play;
        QString add;
        if (channel) {
            // On a channel page the radio plays on from the chosen song through the channel.
            const QList<quint32> from = ids.mid(row) + ids.mid(0, row);
            play = radioLink(channel->id, radioItemsOf(from));
        } else {
            play = commandLink(QStringLiteral("JCplayer"), itemsOf(one, true));
            add = anchor(commandLink(QStringLiteral("Add"), itemsOf(one, true)), QStringLiteral("添加"),
                         QStringLiteral(" title=\"添加到播放列表\""));
        }
        html +=
            QStringLiteral("<tr><td class=\"n\">%1</td><td class=\"t\">%2</td><td>%3</td><td>%4</td>"
                           "<td class=\"d\">%5</td><td class=\"ops\">%6%7%8%9</td></tr>\n")
                .arg(row + 1)
                .arg(
                    anchor(play, escaped(s->title), QStringLiteral(" title=\"播放\"")), escaped(artistOf(*s)),
                    escaped(album(s->albumId)->name), durationText(s->seconds),
                    anchor(play, QStringLiteral("播放")), add,
                    anchor(commandLink(QStringLiteral("Down"), itemsOf(one, false)), QStringLiteral("下载")),
                    anchor(commandLink(QStringLiteral("Love"), itemsOf(one, false)), QStringLiteral("收藏")));
    }
    return html + QStringLiteral("</table>");
}

QString FakeDemoCatalogue::actionBar(const QList<quint32> &ids) const
{
    return QStringLiteral("<div class=\"actions\">%1%2%3%4</div>")
        .arg(anchor(commandLink(QStringLiteral("AllPlay"), itemsOf(ids, true)), QStringLiteral("全部播放"),
                    QStringLiteral(" class=\"main\"")),
             anchor(commandLink(QStringLiteral("AllAdd"), itemsOf(ids, true)), QStringLiteral("全部添加")),
             anchor(commandLink(QStringLiteral("AllDown"), itemsOf(ids, false)), QStringLiteral("全部下载")),
             anchor(commandLink(QStringLiteral("AllLove"), itemsOf(ids, false)), QStringLiteral("全部收藏")));
}

QString FakeDemoCatalogue::singerCards() const
{
    QString html = QStringLiteral("<div class=\"cards\">\n");
    for (const Singer &s : m_singers) {
        const QList<quint32> ids = songsOfSinger(s.id);
        html +=
            QStringLiteral("<div class=\"card round\"><img src=\"${image}%1\" alt=\"\"><div class=\"name\">%2"
                           "</div><div class=\"sub\">%3首歌曲</div><div class=\"links\">%4%5</div></div>\n")
                .arg(singerPicturePath(s.id), escaped(s.name))
                .arg(ids.size())
                .arg(ids.isEmpty() ? QString()
                                   : anchor(commandLink(QStringLiteral("AllPlay"), itemsOf(ids, true)),
                                            QStringLiteral("播放")),
                     anchor(commandLink(QStringLiteral("LoveSinger"),
                                        QString::number(s.id) + QLatin1Char('-') + s.name),
                            QStringLiteral("收藏歌手")));
    }
    return html + QStringLiteral("</div>");
}

QString FakeDemoCatalogue::albumCards() const
{
    QString html = QStringLiteral("<div class=\"cards\">\n");
    for (const Album &a : m_albums) {
        const QList<quint32> ids = songsOfAlbum(a.id);
        if (ids.isEmpty())
            continue;
        html +=
            QStringLiteral("<div class=\"card\"><img src=\"${image}%1\" alt=\"\"><div class=\"name\">%2</div>"
                           "<div class=\"sub\">%3</div><div class=\"links\">%4%5</div></div>\n")
                .arg(albumPicturePath(a.id), escaped(a.name), escaped(singer(a.singerId)->name),
                     anchor(commandLink(QStringLiteral("AllPlay"), itemsOf(ids, true)),
                            QStringLiteral("播放")),
                     anchor(commandLink(QStringLiteral("AllAdd"), itemsOf(ids, true)),
                            QStringLiteral("添加")));
    }
    return html + QStringLiteral("</div>");
}

QString FakeDemoCatalogue::channelList() const
{
    QString html = QStringLiteral("<div class=\"actions\">");
    for (const Channel &c : m_channels)
        html += anchor(radioLink(c.id, radioItemsOf(c.songIds)), escaped(c.name));
    return html + QStringLiteral("</div>");
}

QByteArray FakeDemoCatalogue::renderPage(const QString &templateName, const Channel *channel)
{
    QFile file(QDir(m_dir).filePath(QStringLiteral("pages/") + templateName + QStringLiteral(".html")));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1").arg(file.fileName()));
        return QByteArray();
    }
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression directive(QStringLiteral("<!--@([a-z-]+)\\s*([^>]*?)\\s*-->"));
    QString out;
    qsizetype done = 0;
    auto it = directive.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += text.mid(done, match.capturedStart() - done);
        done = match.capturedEnd();
        const QString name = match.captured(1);
        const QString argument = match.captured(2);
        const QString where = QStringLiteral("%1: <!--@%2-->: ").arg(file.fileName(), name);
        QList<quint32> ids;
        if (name == QLatin1String("songs") || name == QLatin1String("actions")) {
            if (!songsFromArgument(argument, &ids) || ids.isEmpty()) {
                fail(where + QStringLiteral("song ids or \"all\" expected"));
                return QByteArray();
            }
            for (quint32 id : std::as_const(ids)) {
                if (!song(id)) {
                    fail(where + QStringLiteral("unknown song %1").arg(id));
                    return QByteArray();
                }
            }
            out += name == QLatin1String("songs") ? songTable(ids, nullptr) : actionBar(ids);
        } else if (name == QLatin1String("style")) {
            QFile style(QDir(m_dir).filePath(QStringLiteral("style.css")));
            if (!style.open(QIODevice::ReadOnly)) {
                fail(where + QStringLiteral("cannot read %1").arg(style.fileName()));
                return QByteArray();
            }
            out += QString::fromUtf8(style.readAll());
        } else if (name == QLatin1String("singers")) {
            out += singerCards();
        } else if (name == QLatin1String("albums")) {
            out += albumCards();
        } else if (name == QLatin1String("channels")) {
            out += channelList();
        } else if (name.startsWith(QLatin1String("channel-")) && channel) {
            if (name == QLatin1String("channel-name")) {
                out += escaped(channel->name);
            } else if (name == QLatin1String("channel-songs")) {
                out += songTable(channel->songIds, channel);
            } else if (name == QLatin1String("channel-actions")) {
                out +=
                    QStringLiteral("<div class=\"actions\">%1%2</div>")
                        .arg(anchor(radioLink(channel->id, radioItemsOf(channel->songIds)),
                                    QStringLiteral("播放本电台"), QStringLiteral(" class=\"main\"")),
                             anchor(commandLink(QStringLiteral("AllDown"), itemsOf(channel->songIds, false)),
                                    QStringLiteral("全部下载")));
            } else {
                fail(where + QStringLiteral("unknown directive"));
                return QByteArray();
            }
        } else {
            fail(where + (name.startsWith(QLatin1String("channel-"))
                              ? QStringLiteral("only on a channel page")
                              : QStringLiteral("unknown directive")));
            return QByteArray();
        }
    }
    out += text.mid(done);
    return out.toUtf8();
}

bool FakeDemoCatalogue::install(FakeWebService *service)
{
    if (!service || !service->isRunning())
        return fail(QStringLiteral("the service is not running"));
    if (m_songs.isEmpty())
        return fail(QStringLiteral("no catalogue loaded"));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return fail(QStringLiteral("the ffmpeg command is needed to make the demo songs"));
    if (!service->loadFixtures(m_dir))
        return fail(QStringLiteral("cannot load %1/routes.txt").arg(m_dir));

    // All songs at once: each is one short encoder run, and together they take about as long as
    // the longest. With a song cache, a song made from the same arguments before is taken from it.
    QTemporaryDir temporary;
    if (m_songCache.isEmpty() && !temporary.isValid())
        return fail(QStringLiteral("no temporary folder: %1").arg(temporary.errorString()));
    const QDir folder(m_songCache.isEmpty() ? temporary.path() : m_songCache);
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return fail(QStringLiteral("cannot make %1").arg(folder.path()));
    QStringList files;
    std::vector<std::unique_ptr<QProcess>> runs;
    std::vector<std::pair<quint32, QString>> made; // song id, and its file once ffmpeg is done
    for (const Song &s : std::as_const(m_songs)) {
        const QString seconds = QString::number(s.seconds);
        const Album *a = album(s.albumId);
        QStringList arguments = {
            QStringLiteral("-hide_banner"),
            QStringLiteral("-nostdin"),
            QStringLiteral("-loglevel"),
            QStringLiteral("error"),
            QStringLiteral("-y"),
            QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("aevalsrc=exprs='%1':s=44100:d=%2").arg(tuneExpression(s), seconds),
            QStringLiteral("-af"),
            QStringLiteral("afade=t=in:d=0.05,afade=t=out:st=%1:d=2").arg(s.seconds - 2),
            QStringLiteral("-ac"),
            QStringLiteral("2"),
            QStringLiteral("-c:a"),
            QStringLiteral("libmp3lame"),
            QStringLiteral("-b:a"),
            QStringLiteral("128k"),
            QStringLiteral("-metadata"),
            QStringLiteral("title=") + s.title,
            QStringLiteral("-metadata"),
            QStringLiteral("artist=") + artistOf(s),
            QStringLiteral("-metadata"),
            QStringLiteral("album=") + (a ? a->name : QString())};
        // Named after everything that makes the song, so a changed catalogue never finds an old
        // file in the cache.
        const QString file = folder.filePath(
            QStringLiteral("%1-%2.mp3")
                .arg(s.id)
                .arg(QString::fromLatin1(QCryptographicHash::hash(arguments.join(QLatin1Char('\n')).toUtf8(),
                                                                  QCryptographicHash::Sha1)
                                             .toHex())));
        files << file;
        if (QFile::exists(file))
            continue;
        // Written under another name and renamed once whole: a run cut short leaves no song that
        // a later install would take for a made one.
        arguments << file + QStringLiteral(".part.mp3");
        auto run = std::make_unique<QProcess>();
        run->setProcessChannelMode(QProcess::MergedChannels);
        run->start(ffmpeg, arguments);
        runs.push_back(std::move(run));
        made.emplace_back(s.id, file);
    }
    QString failures;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        QProcess &run = *runs.at(i);
        const QString &file = made.at(i).second;
        const bool ok = run.waitForFinished(120000) && run.exitStatus() == QProcess::NormalExit &&
                        run.exitCode() == 0 && QFile::rename(file + QStringLiteral(".part.mp3"), file);
        if (!ok) {
            run.kill();
            run.waitForFinished(2000);
            failures += QStringLiteral("song %1: %2 %3\n")
                            .arg(made.at(i).first)
                            .arg(run.errorString(), QString::fromLocal8Bit(run.readAll()).trimmed());
        }
    }
    if (!failures.isEmpty())
        return fail(QStringLiteral("ffmpeg failed:\n") + failures);

    for (qsizetype i = 0; i < m_songs.size(); ++i) {
        const Song &s = m_songs.at(i);
        QFile mp3(files.at(i));
        if (!mp3.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(mp3.fileName()));
        const QByteArray data = mp3.readAll();
        service->serveFile(FakeHost::Files, songFilePath(s.id), data, "audio/mpeg");
        service->setAnswer(FakeHost::Site, songInfoPath(s.id), FakeAnswer::xml(songInfoXml(s, data.size())));
        // The lyric request's keyword is the artist followed directly by the title.
        const QByteArray lyric = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kvr>\n"
                                                "<tqrcword><![CDATA[]]></tqrcword>\n"
                                                "<tlrcword><![CDATA[%1]]></tlrcword>\n</kvr>\n")
                                     .arg(lrc(s))
                                     .toUtf8();
        service->setAnswer(FakeHost::Service,
                           QStringLiteral("/do/apiHandler.ashx?t=GetLrcContent&keyword=") + artistOf(s) +
                               s.title,
                           FakeAnswer::xml(lyric));
    }

    for (const Album &a : std::as_const(m_albums))
        service->setAnswer(FakeHost::Image, albumPicturePath(a.id),
                           FakeAnswer::bytes(albumPicture(a.id), "image/png"));
    for (const Singer &s : std::as_const(m_singers))
        service->setAnswer(FakeHost::Image, singerPicturePath(s.id),
                           FakeAnswer::bytes(singerPicture(s.id), "image/png"));

    // Radio: the channel list, each channel's page, and more songs for a channel that has run out
    // (any other channel id gets the whole catalogue).
    QString channels = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kvr>\n");
    for (const Channel &c : std::as_const(m_channels)) {
        channels += QStringLiteral("<fm><name>%1</name><url>${service}%2</url></fm>\n")
                        .arg(escaped(c.name), channelPagePath(c.id));
        const QByteArray page = renderPage(QLatin1String(kChannelTemplate), &c);
        if (page.isEmpty())
            return false;
        service->setAnswer(FakeHost::Service, channelPagePath(c.id),
                           FakeAnswer::text(page, 200, "text/html;charset=utf-8"));
        service->setAnswer(FakeHost::Service,
                           QStringLiteral("/do/apiHandler.ashx?t=GetMoreFmSongs_new&fmid=%1").arg(c.id),
                           FakeAnswer::text(("fmlist:  " + radioItemsOf(c.songIds)).toUtf8()));
    }
    service->setAnswer(FakeHost::Service, QStringLiteral("/do/apihandler.ashx?t=GetFMClass"),
                       FakeAnswer::xml((channels + QStringLiteral("</kvr>\n")).toUtf8()));
    QList<quint32> all;
    for (const Song &s : std::as_const(m_songs))
        all << s.id;
    service->setAnswer(FakeHost::Service, QStringLiteral("/do/apiHandler.ashx?t=GetMoreFmSongs_new"),
                       FakeAnswer::text(("fmlist:  " + radioItemsOf(all)).toUtf8()));

    for (const char *name : kPages) {
        const QByteArray page = renderPage(QLatin1String(name));
        if (page.isEmpty())
            return false;
        service->setAnswer(FakeHost::Service, QStringLiteral("/%1.html").arg(QLatin1String(name)),
                           FakeAnswer::text(page, 200, "text/html;charset=utf-8"));
    }
    return true;
}
