// The keyed base64 (CBase64Cus): the raw decoder on an exactly sized copy of the input (so a
// read past its end is caught), the keyed text decoder, and the round trip of the encoder.

#include "FuzzSupport.h"

#include "kvrutil/CBase64Cus.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    if (size > 1 << 20)
        return 0;
    CBase64Cus codec;
    const int length = int(size);

    std::unique_ptr<unsigned char[]> exact(new unsigned char[size ? size : 1]);
    std::memcpy(exact.get(), data, size);
    std::free(codec.decode(exact.get(), length));

    codec.m_sCoded = QString::fromLatin1(fuzz::bytes(data, size));
    (void)codec.Base64CustomDe();

    unsigned char *coded = codec.encode(exact.get(), length);
    if (coded) {
        const int codedLength = int(std::strlen(reinterpret_cast<const char *>(coded)));
        unsigned char *decoded = codec.decode(coded, codedLength);
        if (!decoded || std::memcmp(decoded, data, size) != 0)
            std::abort();
        std::free(decoded);
        std::free(coded);
    }
    return 0;
}
