// Audio files and their tags through the audio layer, as the player opens a local song: the
// input becomes a file, read once for a song list's row (length and tags without a stream), then
// opened as a decode-only file stream, its tags read and a little of it decoded.

#include "audio/kvraudio.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string s_path;

void removeFile()
{
    if (!s_path.empty())
        ::unlink(s_path.c_str());
}

bool setUp()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvrfuzz-audio.XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::close(fd);
    s_path = pattern;
    std::atexit(removeFile);
    // Device 0 is the silent one; decode-only streams never reach it.
    return BASS_Init(0, 44100, 0, nullptr, nullptr) || BASS_ErrorGetCode() == BASS_ERROR_ALREADY;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = setUp();
    if (!ready)
        return -1;
    std::FILE *file = std::fopen(s_path.c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;

    double seconds = 0;
    (void)KVR_ReadFileInfo(s_path.c_str(), "%TITL|%ARTI|%ALBM", &seconds);

    const HSTREAM stream = BASS_StreamCreateFile(FALSE, s_path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (!stream)
        return 0;
    (void)TAGS_Read(stream, "%TITL|%ARTI|%ALBM");
    (void)BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    char pcm[16384];
    for (int i = 0; i < 4; ++i) {
        if (BASS_ChannelGetData(stream, pcm, sizeof pcm) == DWORD(-1))
            break;
    }
    BASS_StreamFree(stream);
    return 0;
}
