// The list files of the play queue, the recently played and the most played list (PlayListFile).
// The input is read twice for each of the three lists: as a list file's content, through the
// loader (size check, decipher, XML), and as the deciphered XML document itself, where the
// fuzzer can reach far more than through the cipher's checksum. Whatever rows a document gives,
// writing them and reading the result again must give the same rows back.

#include "FuzzSupport.h"

#include "playlists/PlayListFile.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>

namespace {

void checkRoundTrip(const PlayListLoadResult &loaded, const PlayListVariant &variant)
{
    QList<const _tag_playlistsonginfo_ *> rows;
    for (const auto &row : loaded.rows)
        rows.append(row.get());
    const PlayListLoadResult again =
        PlayListFile::parseDocument(PlayListFile::document(rows, variant), variant);
    if (again.outcome != PlayListLoad::Loaded)
        std::abort();
    const size_t kept = std::min(loaded.rows.size(), size_t(PlayListFile::kMaxSavedRows));
    if (again.rows.size() != kept)
        std::abort();
    for (size_t i = 0; i < kept; ++i) {
        if (!(*again.rows[i] == *loaded.rows[i]))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static const QString folder = fuzz::scratchDir();
    const QByteArray input = fuzz::bytes(data, size);
    for (const PlayListVariant &variant : {kPlayQueueList, kRecentList, kChartList}) {
        PlayListFile file(folder, variant);
        {
            QFile out(file.path());
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(input) != input.size())
                std::abort();
        }
        const PlayListLoadResult fromFile = file.load();
        if (fromFile.outcome == PlayListLoad::Loaded)
            checkRoundTrip(fromFile, variant);
        if (fromFile.outcome != PlayListLoad::Loaded && !fromFile.rows.empty() &&
            fromFile.outcome != PlayListLoad::BrokenOff)
            std::abort();

        const PlayListLoadResult fromXml = PlayListFile::parseDocument(input, variant);
        if (fromXml.outcome == PlayListLoad::Loaded || fromXml.outcome == PlayListLoad::BrokenOff)
            checkRoundTrip(fromXml, variant);
    }
    return 0;
}
