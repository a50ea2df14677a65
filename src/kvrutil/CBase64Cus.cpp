#include "CBase64Cus.h"

#include <QByteArray>
#include <QtDebug>

#include <cstdlib>
#include <cstring>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int alphabetIndex(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    if (c == '=')
        return 0;
    return -1;
}

unsigned char xorOfKey(const QByteArray &key)
{
    unsigned char x = 0;
    for (char k : key)
        x ^= static_cast<unsigned char>(k);
    return x;
}

} // namespace

CBase64Cus::CBase64Cus()
    : m_sKey(QStringLiteral("5820417396"))
    , m_sPlain(QStringLiteral("abc"))
    , m_sCoded(QStringLiteral("abc"))
{
}

CBase64Cus::~CBase64Cus() = default;

unsigned char *CBase64Cus::encode(const unsigned char *data, int length)
{
    if (!data || length <= 0)
        return nullptr;

    const int groups = (length + 2) / 3;
    const int rest = length % 3;
    // One zero byte after the text; the padding characters are part of the last group.
    auto *result = static_cast<unsigned char *>(std::malloc(size_t(groups) * 4 + 1));
    if (!result)
        return nullptr;

    unsigned char *out = result;
    for (int g = 0; g < groups; ++g) {
        unsigned char in[3] = {0, 0, 0};
        const int available = qMin(3, length - g * 3);
        std::memcpy(in, data + g * 3, size_t(available));
        const unsigned char a = in[0], b = in[1], c = in[2];
        const unsigned char values[4] = {
            static_cast<unsigned char>(a >> 2),
            static_cast<unsigned char>(((a << 4) & 0x3F) | (b >> 4)),
            static_cast<unsigned char>(((b << 2) & 0x3F) | (c >> 6)),
            static_cast<unsigned char>(c & 0x3F),
        };
        const bool last = g == groups - 1;
        const int carried = (last && rest) ? rest + 1 : 4;
        for (int i = 0; i < 4; ++i)
            *out++ = static_cast<unsigned char>(i < carried ? kAlphabet[values[i]] : '=');
    }
    *out = 0;
    return result;
}

unsigned char *CBase64Cus::decode(const unsigned char *data, int length)
{
    if (!data || length <= 0 || length % 4 != 0)
        return nullptr;

    const int outLength = length * 3 / 4;
    auto *result = static_cast<unsigned char *>(std::malloc(size_t(outLength) + 1));
    if (!result)
        return nullptr;

    unsigned char *out = result;
    for (int g = 0; g < length; g += 4) {
        int v[4];
        for (int i = 0; i < 4; ++i) {
            v[i] = alphabetIndex(data[g + i]);
            if (v[i] < 0) {
                std::free(result);
                return nullptr;
            }
        }
        *out++ = static_cast<unsigned char>((v[0] << 2) | ((v[1] >> 4) & 0x3));
        *out++ = static_cast<unsigned char>((v[1] << 4) | ((v[2] >> 2) & 0xF));
        *out++ = static_cast<unsigned char>((v[2] << 6) | v[3]);
    }
    result[outLength] = 0;
    return result;
}

bool CBase64Cus::Base64CustomEn()
{
    QByteArray data = m_sPlain.toLatin1();
    const unsigned char k = xorOfKey(m_sKey.toLatin1());
    for (char &c : data)
        c = char(static_cast<unsigned char>(c) ^ k);

    unsigned char *coded =
        encode(reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
    if (!coded) {
        qDebug("base64 encode wrong");
        return false;
    }
    m_sCoded = QString::fromLatin1(reinterpret_cast<const char *>(coded));
    std::free(coded);
    return true;
}

bool CBase64Cus::Base64CustomDe()
{
    const int length = int(m_sCoded.size());
    if (length % 4 != 0) {
        qDebug("string isn't base64 encoded");
        return false;
    }
    int trueLength = length / 4 * 3;
    if (length > 0 && m_sCoded.endsWith(QLatin1Char('='))) {
        --trueLength;
        if (length > 1 && m_sCoded.at(length - 2) == QLatin1Char('='))
            --trueLength;
    }

    const QByteArray coded = m_sCoded.toLatin1();
    unsigned char *decoded = decode(reinterpret_cast<const unsigned char *>(coded.constData()), length);
    if (!decoded) {
        qDebug("base64 decode wrong");
        return false;
    }
    const unsigned char k = xorOfKey(m_sKey.toLatin1());
    for (int i = 0; i < trueLength; ++i)
        decoded[i] ^= k;
    decoded[trueLength] = 0;
    // Read as a C string: the text ends at its first zero byte.
    m_sPlain = QString::fromLocal8Bit(reinterpret_cast<const char *>(decoded));
    std::free(decoded);
    return true;
}
