#pragma once

// List files written from their format, not by the writer under test: XML documents put together
// as text, enciphered with g_crypt into one line of base64; and the reverse, a file deciphered
// back to its document text.

#include "playlists/PlaylistSongInfo.h"
#include "services/core/Globals.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace playlistdocs {

using Attributes = QList<std::pair<QString, QString>>;

inline QString escaped(QString value)
{
    value.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    value.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    value.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return value;
}

// One "song" element, on one line, with the attributes in the order given.
inline QString song(const Attributes &attributes)
{
    QString line = QStringLiteral("<song");
    for (const auto &[name, value] : attributes)
        line += QLatin1Char(' ') + name + QStringLiteral("=\"") + escaped(value) + QLatin1Char('"');
    return line + QStringLiteral("/>");
}

// The attributes of a record in the order of the file format; "count" only when withCount.
inline Attributes attributesOf(const _tag_playlistsonginfo_ &info, bool withCount)
{
    Attributes attributes{{QStringLiteral("Duartion"), info.Duartion},
                          {QStringLiteral("filePath"), info.filePath},
                          {QStringLiteral("type"), QString::number(info.type)},
                          {QStringLiteral("title"), info.title},
                          {QStringLiteral("bytesize"), info.bytesize},
                          {QStringLiteral("artist"), info.artist},
                          {QStringLiteral("id"), info.id},
                          {QStringLiteral("albumpic"), info.albumpic},
                          {QStringLiteral("sAlbumName"), info.sAlbumName}};
    if (withCount)
        attributes.append({QStringLiteral("count"), QString::number(info.count)});
    return attributes;
}

// A whole document as the format lays it out: the declaration, the root, the container (empty:
// "<container/>") and one song line each, indented by four spaces a level.
inline QString document(const QString &container, const QStringList &songs,
                        const QString &rootLine = QStringLiteral("<kvr version=\"1.0\">"),
                        const QString &rootEnd = QStringLiteral("</kvr>"))
{
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + rootLine + QLatin1Char('\n');
    if (songs.isEmpty()) {
        text += QStringLiteral("    <") + container + QStringLiteral("/>\n");
    } else {
        text += QStringLiteral("    <") + container + QStringLiteral(">\n");
        for (const QString &line : songs)
            text += QStringLiteral("        ") + line + QLatin1Char('\n');
        text += QStringLiteral("    </") + container + QStringLiteral(">\n");
    }
    return text + rootEnd + QLatin1Char('\n');
}

inline bool writeEnciphered(const QString &path, const QString &documentText)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(g_crypt.encryptToString(documentText).toLatin1()) > 0;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The document text of an enciphered file (empty when it does not decipher).
inline QString deciphered(const QString &path)
{
    return g_crypt.decryptToString(QString::fromLatin1(fileBytes(path)));
}

// A local and a network row, with text from outside GBK in the second.
inline _tag_playlistsonginfo_ localRow()
{
    _tag_playlistsonginfo_ info;
    info.Duartion = QStringLiteral("03:07");
    info.filePath = QStringLiteral("/home/用户/音乐/王菲 - 红豆.mp3");
    info.sAlbumName = QStringLiteral("唱游");
    info.type = 3;
    info.title = QStringLiteral("红豆");
    info.bytesize = QStringLiteral("0");
    info.artist = QStringLiteral("王菲");
    info.count = 7;
    return info;
}

inline _tag_playlistsonginfo_ networkRow()
{
    _tag_playlistsonginfo_ info;
    info.filePath = QStringLiteral("10086");
    info.sAlbumName = QStringLiteral("노래 🎵");
    info.type = 2;
    info.title = QStringLiteral("𠀋 후래");
    info.bytesize = QStringLiteral("idvalid");
    info.artist = QStringLiteral("刘若英");
    info.id = QStringLiteral("10086");
    info.albumpic = QStringLiteral("http://img.example/album/10086.jpg");
    info.count = 12;
    return info;
}

} // namespace playlistdocs
