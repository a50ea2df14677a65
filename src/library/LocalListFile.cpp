#include "library/LocalListFile.h"

#include "services/core/XmlAttribute.h"

#include "kvrutil/AtomicSave.h"
#include "library/LibraryLog.h"
#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString kFileName = QStringLiteral("loclist1");
const QString kRoot = QStringLiteral("kvr");
const QString kVersion = QStringLiteral("version");
const QString kImport = QStringLiteral("import");
const QString kDownrecord = QStringLiteral("downrecord");
const QString kFile = QStringLiteral("file");

// Attribute names. An import entry has the first five in this order; a download row has "fin",
// "downloaded", "progress", then album, artist, sDur, filepathname, and "sId", "size", title,
// "url".
const QString kFilepathname = QStringLiteral("filepathname");
const QString kTitle = QStringLiteral("title");
const QString kArtist = QStringLiteral("artist");
const QString kAlbum = QStringLiteral("album");
const QString kSDur = QStringLiteral("sDur");
const QString kFin = QStringLiteral("fin");
const QString kDownloaded = QStringLiteral("downloaded");
const QString kProgress = QStringLiteral("progress");
const QString kSId = QStringLiteral("sId");
const QString kSize = QStringLiteral("size");
const QString kUrl = QStringLiteral("url");

const QString kNotALibrary = QStringLiteral("The file is not an kvr version 1.0 file.");

// Library paths always use "/" (the imports, the downloads and the folder manager all make them
// so), and the folder manager gives its folder without a trailing "/": the song's folder is its
// path up to the last "/", compared exactly. Without a folder manager nothing is in the cache.
bool isInCacheFolder(const QString &path, const QString &cacheDir)
{
    if (cacheDir.isEmpty())
        return false;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 && QStringView(path).left(slash) == cacheDir;
}

// Decimal attributes; 0 when missing or not a number.
qint32 toInt32(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

qint64 toInt64(QStringView text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

// An import entry's record from its attributes (a missing one leaves its field empty).
std::unique_ptr<_tag_localsonginfo_> readSong(const QXmlStreamAttributes &attributes)
{
    auto info = std::make_unique<_tag_localsonginfo_>();
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView name = attribute.name();
        if (name == kFilepathname)
            info->filepathname = attribute.value().toString();
        else if (name == kTitle)
            info->title = attribute.value().toString();
        else if (name == kArtist)
            info->artist = attribute.value().toString();
        else if (name == kAlbum)
            info->album = attribute.value().toString();
        else if (name == kSDur)
            info->sDur = attribute.value().toString();
    }
    return info;
}

// A download row's record from its attributes, in the state of a row that nothing works on yet:
// an unfinished download waits for the user to start it again.
std::unique_ptr<_tag_downloadsonginfo_> readDownload(const QXmlStreamAttributes &attributes)
{
    auto info = std::make_unique<_tag_downloadsonginfo_>();
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringView name = attribute.name();
        const QStringView value = attribute.value();
        if (name == kFin)
            info->fin = value == QLatin1String("1");
        else if (name == kDownloaded)
            info->downloaded = toInt64(value);
        else if (name == kProgress)
            info->progress = toInt32(value);
        else if (name == kAlbum)
            info->album = value.toString();
        else if (name == kArtist)
            info->artist = value.toString();
        else if (name == kSDur)
            info->sDur = value.toString();
        else if (name == kFilepathname)
            info->filepathname = value.toString();
        else if (name == kSId)
            info->sId = value.toString();
        else if (name == kSize)
            info->size = value.toString();
        else if (name == kTitle)
            info->title = value.toString();
        else if (name == kUrl)
            info->url = value.toString();
    }
    info->stopped = !info->fin;
    info->downloading = false;
    info->queued = false;
    return info;
}

// "<name>" + the elements + "</name>", or "<name/>" when there are none, as the stream writer
// closes an element that got no content.
template <typename Record, typename Write>
void appendSection(QString &xml, const QString &name, const QList<const Record *> &records, Write write)
{
    xml += QLatin1Char('<');
    xml += name;
    if (records.isEmpty()) {
        xml += QLatin1String("/>");
        return;
    }
    xml += QLatin1Char('>');
    for (const Record *info : records) {
        xml += QLatin1String("<file");
        write(*info);
        xml += QLatin1String("/>");
    }
    xml += QLatin1String("</");
    xml += name;
    xml += QLatin1Char('>');
}

QString unusableText(const LocalListLoadResult &result)
{
    switch (result.outcome) {
    case LocalListLoad::TooLarge:
        return QStringLiteral("is too large to be a library");
    case LocalListLoad::Unreadable:
        return QStringLiteral("cannot be read: ") + result.errorText;
    case LocalListLoad::Undecipherable:
        return QStringLiteral("does not decipher");
    case LocalListLoad::NotAList:
        return QStringLiteral("is not a library document: ") + result.errorText;
    case LocalListLoad::BrokenOff:
        return QStringLiteral("breaks off after %1 songs and %2 download rows")
            .arg(result.songs.size())
            .arg(result.downloads.size());
    case LocalListLoad::TooManySongs:
        return QStringLiteral("has more than %1 songs; the rest and the download rows are not read")
            .arg(LocalListFile::kMaxImportEntries);
    case LocalListLoad::Loaded:
    case LocalListLoad::Missing:
        break;
    }
    return QString();
}

// The cipher adds at most 23 bytes (version, flags, lead byte, a SHA-1) to a payload that is
// compressed only when that makes it smaller; base64 makes 4 bytes of every 3. So every document
// the saver lets through fits in a file the loader reads.
static_assert(LocalListFile::kMaxFileSize >= (LocalListFile::kMaxDocumentSize + 23 + 2) / 3 * 4);

} // namespace

LocalListFile::LocalListFile(const QString &dataDir)
    : m_sPath(dataDir + QLatin1Char('/') + kFileName)
{
}

LocalListLoadResult LocalListFile::load(const QString &cacheDir)
{
    LocalListLoadResult result;
    QFile file(m_sPath);
    // An empty file holds nothing that a save could lose.
    if (!file.exists() || (QFileInfo(m_sPath).isFile() && file.size() == 0)) {
        m_bKeepAside = false;
        return result;
    }
    if (file.size() > kMaxFileSize) {
        result.outcome = LocalListLoad::TooLarge;
    } else if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = LocalListLoad::Unreadable;
        result.errorText = file.errorString();
    } else {
        // Bounded even when the file grew since the size check; one byte more tells that it did.
        const QByteArray content = file.read(std::min(file.size(), kMaxFileSize) + 1);
        if (file.error() != QFileDevice::NoError) {
            result.outcome = LocalListLoad::Unreadable;
            result.errorText = file.errorString();
        } else if (content.size() > kMaxFileSize) {
            result.outcome = LocalListLoad::TooLarge;
        } else {
            result = parseFileContent(content, cacheDir);
        }
    }
    m_bKeepAside = result.outcome != LocalListLoad::Loaded;
    if (m_bKeepAside)
        qCWarning(lcLibrary).noquote() << "library file" << m_sPath << unusableText(result)
                                       << "- it is kept aside before the library is saved";
    return result;
}

LocalListLoadResult LocalListFile::parseFileContent(const QByteArray &content, const QString &cacheDir)
{
    // The cipher text is base64, which skips a line break or other stray bytes around it. The
    // document is deciphered to bytes and read as UTF-8 whatever the locale.
    const QByteArray plain = g_crypt.decryptToByteArray(QByteArray::fromBase64(content));
    if (plain.isEmpty() || g_crypt.lastError() != SimpleCrypt::ErrorNoError) {
        LocalListLoadResult result;
        result.outcome = LocalListLoad::Undecipherable;
        return result;
    }
    return parseDocument(plain, cacheDir);
}

LocalListLoadResult LocalListFile::parseDocument(const QByteArray &xml, const QString &cacheDir)
{
    LocalListLoadResult result;
    // The saver writes UTF-8 only. Read from bytes, the stream reader would follow whatever
    // encoding the declaration names and turn the paths into other text.
    QXmlStreamReader reader(QString::fromUtf8(xml));
    if (!reader.readNextStartElement()) {
        result.outcome = LocalListLoad::NotAList;
        return result;
    }
    if (reader.name() != kRoot || reader.attributes().value(kVersion) != QLatin1String("1.0")) {
        result.outcome = LocalListLoad::NotAList;
        result.errorText = kNotALibrary;
        return result;
    }

    // The entry after the last one taken ends the reading of the whole document, download rows
    // included, wherever it stands: a library this large was never written by the saver.
    int taken = 0;
    bool tooMany = false;
    while (!tooMany && reader.readNextStartElement()) {
        if (reader.name() == kImport) {
            while (reader.readNextStartElement()) {
                if (reader.name() == kFile) {
                    if (taken == kMaxImportEntries) {
                        tooMany = true;
                        break;
                    }
                    ++taken;
                    auto song = readSong(reader.attributes());
                    if (isInCacheFolder(song->filepathname, cacheDir))
                        qCDebug(lcLibrary).noquote()
                            << "cached song left out of the library:" << song->filepathname;
                    else
                        result.songs.push_back(std::move(song));
                }
                reader.skipCurrentElement();
            }
        } else if (reader.name() == kDownrecord) {
            while (reader.readNextStartElement()) {
                if (reader.name() == kFile)
                    result.downloads.push_back(readDownload(reader.attributes()));
                reader.skipCurrentElement();
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    if (tooMany)
        result.outcome = LocalListLoad::TooManySongs;
    else if (reader.hasError())
        result.outcome = LocalListLoad::BrokenOff;
    else
        result.outcome = LocalListLoad::Loaded;
    return result;
}

QByteArray LocalListFile::document(const QList<const _tag_localsonginfo_ *> &importRows,
                                   const QList<const _tag_downloadsonginfo_ *> &downloadRows,
                                   const QString &cacheDir)
{
    QList<const _tag_localsonginfo_ *> songs;
    int counted = 0;
    for (const _tag_localsonginfo_ *info : importRows) {
        // A song that left the library during the run is gone for good and takes no place.
        if (!info || info->bDeleted)
            continue;
        if (counted == kMaxImportEntries)
            break;
        ++counted;
        if (isInCacheFolder(info->filepathname, cacheDir))
            qCDebug(lcLibrary).noquote() << "cached song not saved in the library:" << info->filepathname;
        else
            songs.append(info);
    }
    QList<const _tag_downloadsonginfo_ *> downloads;
    std::copy_if(downloadRows.cbegin(), downloadRows.cend(), std::back_inserter(downloads),
                 [](const _tag_downloadsonginfo_ *info) { return info != nullptr; });

    // The layout of QXmlStreamWriter without automatic formatting, put together directly: the
    // stream writer encodes and writes every piece on its own, which is several times slower.
    QString xml;
    xml.reserve(120 + 300 * songs.size() + 600 * downloads.size());
    xml += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?><kvr version=\"1.0\">");
    appendSection(xml, kImport, songs, [&xml](const _tag_localsonginfo_ &info) {
        g_appendXmlAttribute(xml, kFilepathname, info.filepathname);
        g_appendXmlAttribute(xml, kTitle, info.title);
        g_appendXmlAttribute(xml, kArtist, info.artist);
        g_appendXmlAttribute(xml, kAlbum, info.album);
        g_appendXmlAttribute(xml, kSDur, info.sDur);
    });
    appendSection(xml, kDownrecord, downloads, [&xml](const _tag_downloadsonginfo_ &info) {
        g_appendXmlAttribute(xml, kFin, info.fin ? QStringLiteral("1") : QStringLiteral("0"));
        g_appendXmlAttribute(xml, kDownloaded, QString::number(info.downloaded));
        g_appendXmlAttribute(xml, kProgress, QString::number(info.progress));
        g_appendXmlAttribute(xml, kAlbum, info.album);
        g_appendXmlAttribute(xml, kArtist, info.artist);
        g_appendXmlAttribute(xml, kSDur, info.sDur);
        g_appendXmlAttribute(xml, kFilepathname, info.filepathname);
        g_appendXmlAttribute(xml, kSId, info.sId);
        g_appendXmlAttribute(xml, kSize, info.size);
        g_appendXmlAttribute(xml, kTitle, info.title);
        g_appendXmlAttribute(xml, kUrl, info.url);
    });
    xml += QLatin1String("</kvr>\n");
    return xml.toUtf8();
}

bool LocalListFile::save(const QList<const _tag_localsonginfo_ *> &importRows,
                         const QList<const _tag_downloadsonginfo_ *> &downloadRows, const QString &cacheDir,
                         QString *errorText)
{
    const QByteArray xml = document(importRows, downloadRows, cacheDir);
    // Written, a larger library would be a file that no later run can read: the previous file
    // is the better one to keep.
    const auto tooLarge = [&]() {
        qCWarning(lcLibrary).noquote() << "the library is too large to be saved in" << m_sPath;
        if (errorText)
            *errorText = QStringLiteral("the library is too large to be saved");
        return false;
    };
    if (xml.size() > kMaxDocumentSize)
        return tooLarge();
    const QByteArray cipher = g_crypt.encryptToByteArray(xml).toBase64();
    if (cipher.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("the library could not be enciphered");
        return false;
    }
    if (cipher.size() > kMaxFileSize)
        return tooLarge();
    if (m_bKeepAside && QFileInfo::exists(m_sPath)) {
        const QString aside = g_moveFileAside(m_sPath);
        if (aside.isEmpty()) {
            // Replacing it now would lose what it holds; the next run tries again.
            qCWarning(lcLibrary).noquote() << "cannot keep" << m_sPath << "aside: the library is not saved";
            if (errorText)
                *errorText = QStringLiteral("the unread library file could not be kept aside");
            return false;
        }
        m_sKeptAside = aside;
        qCWarning(lcLibrary).noquote() << "unread library file" << m_sPath << "kept as" << aside;
    }
    m_bKeepAside = false;
    return g_saveFileAtomically(m_sPath, cipher, errorText);
}
