#include "LegacyText.h"

#include <cerrno>
#include <iconv.h>

namespace kvraudio {

namespace {

bool isAscii(const unsigned char *p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        if (p[i] >= 0x80)
            return false;
    }
    return true;
}

bool isUtf8(const unsigned char *p, size_t n)
{
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        int follow;
        unsigned min;
        unsigned code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xc2 && c <= 0xdf) {
            follow = 1;
            min = 0x80;
            code = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            follow = 2;
            min = 0x800;
            code = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            follow = 3;
            min = 0x10000;
            code = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= follow; ++k) {
            if (i + size_t(k) >= n || (p[i + size_t(k)] & 0xc0) != 0x80)
                return false;
            code = (code << 6) | (p[i + size_t(k)] & 0x3f);
        }
        if (code < min || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += size_t(follow) + 1;
    }
    return true;
}

// Strict: any byte sequence GB18030 does not define makes the whole text fail.
bool fromGb18030(const char *data, size_t size, std::string *out)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == iconv_t(-1))
        return false;
    std::string result(size * 4 + 4, '\0');
    char *in = const_cast<char *>(data);
    size_t inLeft = size;
    char *outPtr = result.data();
    size_t outLeft = result.size();
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (r == size_t(-1) || inLeft != 0)
        return false;
    result.resize(result.size() - outLeft);
    *out = std::move(result);
    return true;
}

std::string fromLatin1(const unsigned char *p, size_t n)
{
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            out.push_back(char(p[i]));
        } else {
            out.push_back(char(0xc0 | (p[i] >> 6)));
            out.push_back(char(0x80 | (p[i] & 0x3f)));
        }
    }
    return out;
}

} // namespace

std::string legacyTextToUtf8(const char *data, size_t size)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    if (isAscii(p, size) || isUtf8(p, size))
        return std::string(data, size);
    std::string text;
    if (fromGb18030(data, size, &text))
        return text;
    return fromLatin1(p, size);
}

} // namespace kvraudio
