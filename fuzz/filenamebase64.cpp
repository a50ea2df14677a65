// The song-name base64 of the cache and download file names: decoding any text, and the round
// trip of every text through the file-name form.

#include "FuzzSupport.h"

#include "services/core/FileNameBase64.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    (void)decodeFileNameBase64(text);
    const QString encoded = encodeFileNameBase64(text);
    if (encoded.contains(QLatin1Char('/')) || decodeFileNameBase64(encoded) != text)
        std::abort();
    return 0;
}
