// The check of a second start's message: whatever bytes arrive on the socket, a text it accepts
// is what the bytes before the first NUL say, fits the bound, holds no control character, and
// goes through a send and a receive unchanged.

#include "FuzzSupport.h"

#include "platform/SingleInstance.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QByteArray input = fuzz::bytes(data, size);
    const std::optional<QString> text = SingleInstance::parseMessage(input);
    if (!text)
        return 0;

    const QByteArray encoded = text->toUtf8();
    const qsizetype end = input.indexOf('\0');
    if (end < 0 || end >= SingleInstance::kMaxMessageBytes || input.left(end) != encoded)
        std::abort();
    if (!text->isValidUtf16())
        std::abort();
    for (const QChar c : *text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            std::abort();
    }
    if (SingleInstance::parseMessage(encoded + '\0') != text)
        std::abort();
    return 0;
}
