// The song-information answer (request type 1): the pure document reader on its own, then the
// whole answer as a lyric lookup of the awaited song (which stores the lyric) and as the answer
// to a download.

#include "FuzzSupport.h"

#include "services/core/Globals.h"
#include "services/net/HttpObject.h"
#include "services/playback/SongInfoAnswer.h"
#include "services/playback/SongInfoDocument.h"
#include "services/seams/FixedFolderSeam.h"

namespace {

const QString kSongId = QStringLiteral("10000");

void parseAnswer(const QString &xml)
{
    const SongInfoDocument document = SongInfoDocument::parse(xml);
    (void)document;
    static SongInfoAnswer answer;
    answer.setRefusalWaitMs(0);
    answer.dealwithIDResponse(xml, 0, kSongId, nullptr);
    answer.dealwithIDResponse(xml, 2, kSongId, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static FixedFolderSeam folders;
    static const bool ready = [] {
        folders.m_sLrcDir = fuzz::scratchDir() + QStringLiteral("/lrc");
        g_setFolderSeam(&folders);
        g_presenceState().m_slPlayableStates = {QStringLiteral("1"), QStringLiteral("2"),
                                                QStringLiteral("3")};
        g_sPendingLrcId = kSongId;
        g_sPendingLrcName = QStringLiteral("王菲 - 红豆");
        return true;
    }();
    (void)ready;
    // A stored lyric is never replaced: start each input without one, so each stores its own.
    fuzz::emptyFolder(folders.m_sLrcDir);
    parseAnswer(QString::fromUtf8(fuzz::bytes(data, size)));
    return 0;
}
