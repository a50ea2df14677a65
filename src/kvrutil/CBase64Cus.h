#pragma once

#include "kvrutil_global.h"

#include <QString>

// Keyed base64: every byte of a short text is XORed with all key bytes, then base64-encoded.
// Not the cipher of the system's files (that is SimpleCrypt).
class KVRUTIL_EXPORT CBase64Cus
{
public:
    CBase64Cus();
    CBase64Cus(const CBase64Cus &other) = default;
    CBase64Cus &operator=(const CBase64Cus &other) = default;
    virtual ~CBase64Cus();

    // Both return buffers from malloc that the caller frees with free(), or null.
    // encode: zero-terminated base64 text. decode: length * 3 / 4 + 1 bytes, padding
    // positions decoded as zero bytes; the caller works out the true length.
    unsigned char *encode(const unsigned char *data, int length);
    unsigned char *decode(const unsigned char *data, int length);

    bool Base64CustomEn();
    bool Base64CustomDe();

    QString m_sKey;
    QString m_sPlain;
    QString m_sCoded;
};
