// The local library file (LocalListFile). The input is read twice: as the file's content,
// through the loader (size check, decipher, XML), and as the deciphered XML document itself,
// where the fuzzer can reach far more than through the cipher's checksum. Both readings are done
// with and without a cache folder. Whatever records a document gives, writing them and reading
// the result again must give the same records back.

#include "FuzzSupport.h"

#include "library/LocalListFile.h"

#include <QFile>

#include <cstdlib>

namespace {

// A folder the seeds use for some of their songs.
const QString kCacheDir = QStringLiteral("/cache");

bool sameSong(const _tag_localsonginfo_ &a, const _tag_localsonginfo_ &b)
{
    return a.filepathname == b.filepathname && a.title == b.title && a.artist == b.artist &&
           a.album == b.album && a.sDur == b.sDur && a.sExtra1.isEmpty() && a.sExtra2.isEmpty() &&
           !a.bDeleted && b.sExtra1.isEmpty() && b.sExtra2.isEmpty() && !b.bDeleted;
}

bool sameDownload(const _tag_downloadsonginfo_ &a, const _tag_downloadsonginfo_ &b)
{
    return a.fin == b.fin && a.downloaded == b.downloaded && a.progress == b.progress && a.album == b.album &&
           a.artist == b.artist && a.sDur == b.sDur && a.filepathname == b.filepathname && a.sId == b.sId &&
           a.size == b.size && a.title == b.title && a.url == b.url && a.stopped == !a.fin &&
           b.stopped == !b.fin && !a.downloading && !a.queued && a.status.isEmpty() && !a.pLocalSong &&
           !a.pDown;
}

void checkRoundTrip(const LocalListLoadResult &loaded, const QString &cacheDir)
{
    if (loaded.songs.size() > size_t(LocalListFile::kMaxImportEntries))
        std::abort();
    QList<const _tag_localsonginfo_ *> songs;
    for (const auto &song : loaded.songs) {
        // The reader leaves cache-folder songs out, so the writer has none to leave out.
        if (!cacheDir.isEmpty() && song->filepathname.startsWith(cacheDir + QLatin1Char('/')) &&
            song->filepathname.lastIndexOf(QLatin1Char('/')) == cacheDir.size())
            std::abort();
        songs.append(song.get());
    }
    QList<const _tag_downloadsonginfo_ *> downloads;
    for (const auto &download : loaded.downloads)
        downloads.append(download.get());
    const LocalListLoadResult again =
        LocalListFile::parseDocument(LocalListFile::document(songs, downloads, cacheDir), cacheDir);
    if (again.outcome != LocalListLoad::Loaded || again.songs.size() != loaded.songs.size() ||
        again.downloads.size() != loaded.downloads.size())
        std::abort();
    for (size_t i = 0; i < loaded.songs.size(); ++i) {
        if (!sameSong(*again.songs[i], *loaded.songs[i]))
            std::abort();
    }
    for (size_t i = 0; i < loaded.downloads.size(); ++i) {
        if (!sameDownload(*again.downloads[i], *loaded.downloads[i]))
            std::abort();
    }
}

bool readsRecords(LocalListLoad outcome)
{
    return outcome == LocalListLoad::Loaded || outcome == LocalListLoad::BrokenOff ||
           outcome == LocalListLoad::TooManySongs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static const QString folder = fuzz::scratchDir();
    const QByteArray input = fuzz::bytes(data, size);
    LocalListFile file(folder);
    {
        QFile out(file.path());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(input) != input.size())
            std::abort();
    }
    for (const QString &cacheDir : {QString(), kCacheDir}) {
        const LocalListLoadResult fromFile = file.load(cacheDir);
        if (readsRecords(fromFile.outcome))
            checkRoundTrip(fromFile, cacheDir);
        else if (!fromFile.songs.empty() || !fromFile.downloads.empty())
            std::abort();
        if (file.mustKeepAside() !=
            (fromFile.outcome != LocalListLoad::Loaded && fromFile.outcome != LocalListLoad::Missing))
            std::abort();

        const LocalListLoadResult fromXml = LocalListFile::parseDocument(input, cacheDir);
        if (readsRecords(fromXml.outcome))
            checkRoundTrip(fromXml, cacheDir);
    }
    return 0;
}
