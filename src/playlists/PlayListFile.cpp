#include "playlists/PlayListFile.h"

#include "services/core/XmlAttribute.h"

#include "kvrutil/AtomicSave.h"
#include "playlists/PlaylistsLog.h"
#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString kRoot = QStringLiteral("kvr");
const QString kVersion = QStringLiteral("version");
const QString kSong = QStringLiteral("song");

// Attribute names, in the order the writer puts them.
const QString kDuartion = QStringLiteral("Duartion");
const QString kFilePath = QStringLiteral("filePath");
const QString kType = QStringLiteral("type");
const QString kTitle = QStringLiteral("title");
const QString kBytesize = QStringLiteral("bytesize");
const QString kArtist = QStringLiteral("artist");
const QString kId = QStringLiteral("id");
const QString kAlbumpic = QStringLiteral("albumpic");
const QString kAlbumName = QStringLiteral("sAlbumName");
const QString kCount = QStringLiteral("count");

// A decimal attribute; 0 when it is not a number.
qint32 toInt32(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

// Fills a record from one "song" element's attributes (a missing one leaves its field empty).
// One pass over the attributes, told apart by their first letter, as a list of 10000 songs has
// 90000 of them.
void readSong(const QXmlStreamAttributes &attributes, const PlayListVariant &variant,
              _tag_playlistsonginfo_ *info)
{
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView name = attribute.name();
        const QStringView value = attribute.value();
        switch (name.isEmpty() ? 0 : name.front().unicode()) {
        case 'D':
            if (name == kDuartion)
                info->Duartion = value.toString();
            break;
        case 'f':
            if (name == kFilePath)
                info->filePath = value.toString();
            break;
        case 't':
            if (name == kType)
                info->type = toInt32(value);
            else if (name == kTitle)
                info->title = (variant.bTrimTitle ? value.trimmed() : value).toString();
            break;
        case 'b':
            if (name == kBytesize)
                info->bytesize = value.toString();
            break;
        case 'a':
            if (name == kArtist)
                info->artist = value.toString();
            else if (name == kAlbumpic)
                info->albumpic = value.toString();
            break;
        case 'i':
            if (name == kId)
                info->id = value.toString();
            break;
        case 's':
            if (name == kAlbumName)
                info->sAlbumName = value.toString();
            break;
        case 'c':
            if (name == kCount && variant.bWithCount)
                info->count = toInt32(value);
            break;
        default:
            break;
        }
    }
}

QString unusableText(const PlayListLoadResult &result)
{
    switch (result.outcome) {
    case PlayListLoad::TooLarge:
        return QStringLiteral("is too large to be a list");
    case PlayListLoad::Unreadable:
        return QStringLiteral("cannot be read: ") + result.errorText;
    case PlayListLoad::Undecipherable:
        return QStringLiteral("does not decipher");
    case PlayListLoad::NotAList:
        return QStringLiteral("is not a kvr 1.0 list document");
    case PlayListLoad::BrokenOff:
        return QStringLiteral("breaks off after %1 songs").arg(result.rows.size());
    case PlayListLoad::Loaded:
    case PlayListLoad::Missing:
        break;
    }
    return QString();
}

} // namespace

PlayListFile::PlayListFile(const QString &dataDir, const PlayListVariant &variant)
    : m_sPath(dataDir + QLatin1Char('/') + variant.fileName)
    , m_variant(variant)
{
}

PlayListLoadResult PlayListFile::load()
{
    PlayListLoadResult result;
    QFile file(m_sPath);
    if (!file.exists()) {
        m_bKeepAside = false;
        return result;
    }
    if (file.size() > kMaxFileSize) {
        result.outcome = PlayListLoad::TooLarge;
    } else if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = PlayListLoad::Unreadable;
        result.errorText = file.errorString();
    } else {
        // Bounded even when the file grew since the size check; one byte more tells that it did.
        const QByteArray content = file.read(std::min(file.size(), kMaxFileSize) + 1);
        if (file.error() != QFileDevice::NoError) {
            result.outcome = PlayListLoad::Unreadable;
            result.errorText = file.errorString();
        } else if (content.size() > kMaxFileSize) {
            result.outcome = PlayListLoad::TooLarge;
        } else {
            result = parseFileContent(content, m_variant);
        }
    }
    m_bKeepAside = result.outcome != PlayListLoad::Loaded;
    if (m_bKeepAside)
        qCWarning(lcPlaylists).noquote() << "list file" << m_sPath << unusableText(result)
                                         << "- it is kept aside before the list is saved";
    return result;
}

PlayListLoadResult PlayListFile::parseFileContent(const QByteArray &content, const PlayListVariant &variant)
{
    // The cipher text is base64, which skips a line break or other stray bytes around it.
    const QByteArray plain = g_crypt.decryptToByteArray(QByteArray::fromBase64(content));
    if (plain.isEmpty() || g_crypt.lastError() != SimpleCrypt::ErrorNoError) {
        PlayListLoadResult result;
        result.outcome = PlayListLoad::Undecipherable;
        return result;
    }
    return parseDocument(plain, variant);
}

PlayListLoadResult PlayListFile::parseDocument(const QByteArray &xml, const PlayListVariant &variant)
{
    PlayListLoadResult result;
    // The lists are written in UTF-8 only. Read from bytes, the stream reader would follow
    // whatever encoding a damaged file's declaration names and turn the paths into other text.
    QXmlStreamReader reader(QString::fromUtf8(xml));
    if (!reader.readNextStartElement()) {
        result.outcome = PlayListLoad::NotAList;
        return result;
    }
    if (reader.name() != kRoot || reader.attributes().value(kVersion) != QLatin1String("1.0")) {
        result.outcome = PlayListLoad::NotAList;
        return result;
    }

    const QString container = variant.container;
    int taken = 0;
    while (taken < variant.nMaxSongs && reader.readNextStartElement()) {
        if (reader.name() != container) {
            reader.skipCurrentElement();
            continue;
        }
        while (taken < variant.nMaxSongs && reader.readNextStartElement()) {
            if (reader.name() == kSong) {
                ++taken;
                auto info = std::make_unique<_tag_playlistsonginfo_>();
                readSong(reader.attributes(), variant, info.get());
                if (!variant.bTrimTitle || !info->title.isEmpty())
                    result.rows.push_back(std::move(info));
            }
            reader.skipCurrentElement();
        }
    }
    // Songs past the limit are not read, so whatever follows them cannot break the list.
    result.outcome =
        reader.hasError() && taken < variant.nMaxSongs ? PlayListLoad::BrokenOff : PlayListLoad::Loaded;
    return result;
}

QByteArray PlayListFile::document(const QList<const _tag_playlistsonginfo_ *> &rows,
                                  const PlayListVariant &variant)
{
    // The layout of QXmlStreamWriter with automatic formatting, put together directly: the
    // stream writer encodes and writes every piece on its own, which made a 10000-row save
    // several times slower than building the text and encoding it once.
    const qsizetype visited = std::min<qsizetype>(rows.size(), kMaxSavedRows);
    QString xml;
    xml.reserve(160 + 300 * visited);
    xml += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kvr version=\"1.0\">\n    <");
    xml += variant.container;
    const qsizetype songs = std::count_if(rows.cbegin(), rows.cbegin() + visited,
                                          [](const _tag_playlistsonginfo_ *info) { return info != nullptr; });
    if (songs == 0) {
        xml += QLatin1String("/>\n</kvr>\n");
        return xml.toUtf8();
    }
    xml += QLatin1String(">\n");
    for (qsizetype row = 0; row < visited; ++row) {
        const _tag_playlistsonginfo_ *info = rows.at(row);
        if (!info)
            continue;
        xml += QLatin1String("        <song");
        g_appendXmlAttribute(xml, kDuartion, info->Duartion);
        g_appendXmlAttribute(xml, kFilePath, info->filePath);
        g_appendXmlAttribute(xml, kType, QString::number(info->type));
        g_appendXmlAttribute(xml, kTitle, info->title);
        g_appendXmlAttribute(xml, kBytesize, info->bytesize);
        g_appendXmlAttribute(xml, kArtist, info->artist);
        g_appendXmlAttribute(xml, kId, info->id);
        g_appendXmlAttribute(xml, kAlbumpic, info->albumpic);
        g_appendXmlAttribute(xml, kAlbumName, info->sAlbumName);
        if (variant.bWithCount)
            g_appendXmlAttribute(xml, kCount, QString::number(info->count));
        xml += QLatin1String("/>\n");
    }
    xml += QLatin1String("    </");
    xml += variant.container;
    xml += QLatin1String(">\n</kvr>\n");
    return xml.toUtf8();
}

bool PlayListFile::save(const QList<const _tag_playlistsonginfo_ *> &rows, QString *errorText)
{
    const QByteArray cipher = g_crypt.encryptToByteArray(document(rows, m_variant));
    if (cipher.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("the list could not be enciphered");
        return false;
    }
    if (m_bKeepAside && QFileInfo::exists(m_sPath)) {
        const QString aside = g_moveFileAside(m_sPath);
        if (aside.isEmpty()) {
            // Replacing it now would lose what it holds; the next run tries again.
            qCWarning(lcPlaylists).noquote() << "cannot keep" << m_sPath << "aside: the list is not saved";
            if (errorText)
                *errorText = QStringLiteral("the unusable file could not be kept aside");
            return false;
        }
        m_sKeptAside = aside;
        qCWarning(lcPlaylists).noquote() << "unusable list file" << m_sPath << "kept as" << aside;
    }
    m_bKeepAside = false;
    return g_saveFileAtomically(m_sPath, cipher.toBase64(), errorText);
}

QString PlayListFile::readErrorText(const QString &path, const QString &error)
{
    return QStringLiteral("不能读取文件 %1:\n%2.").arg(path, error);
}

QString PlayListFile::writeErrorText(const QString &path, const QString &error)
{
    return g_writeErrorText(path, error);
}
