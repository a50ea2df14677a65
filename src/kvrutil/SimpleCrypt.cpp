#include "SimpleCrypt.h"

#include "BuiltInKey.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QRandomGenerator>
#include <QtDebug>

#include <cstring>

namespace {

constexpr char kVersion = 0x03;

// qUncompress allocates whatever the first four payload bytes claim before it looks at the
// rest, and without an integrity flag those bytes are anyone's. No document of the player comes
// near this size, so a larger claim can only be a damaged file.
constexpr quint32 kMaxUncompressedSize = 64u * 1024 * 1024;
enum CryptFlag : char
{
    CryptFlagNone = 0,
    CryptFlagCompression = 0x01,
    CryptFlagChecksum = 0x02,
    CryptFlagHash = 0x04
};

// The lead byte only has to differ between runs; a per-thread generator keeps the class free
// of shared state, as the old seeded global generator was not.
quint8 leadByte()
{
    thread_local QRandomGenerator generator(quint32(QDateTime::currentMSecsSinceEpoch() & 0xFFFF) ^
                                            quint32(quintptr(&generator)));
    return quint8(generator.generate() & 0xFF);
}

// Copies `bytes` and a zero into a caller's buffer of `capacity` bytes, or writes an empty
// string when they do not fit.
int copyToBuffer(const QByteArray &bytes, char *buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    if (bytes.size() >= capacity) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    buffer[bytes.size()] = '\0';
    return int(bytes.size());
}

} // namespace

SimpleCrypt::SimpleCrypt()
    : SimpleCrypt(kvrutil::kBuiltInKey)
{
}

SimpleCrypt::SimpleCrypt(quint64 key)
{
    setKey(key);
}

SimpleCrypt::SimpleCrypt(const SimpleCrypt &other) = default;
SimpleCrypt &SimpleCrypt::operator=(const SimpleCrypt &other) = default;
SimpleCrypt::~SimpleCrypt() = default;

void SimpleCrypt::setKey(quint64 key)
{
    m_key = key;
    splitKey();
}

void SimpleCrypt::splitKey()
{
    m_keyParts.clear();
    m_keyParts.resize(8);
    for (int i = 0; i < 8; ++i)
        m_keyParts[i] = char((m_key >> (8 * i)) & 0xFF);
}

QByteArray SimpleCrypt::encryptToByteArray(QByteArray plaintext)
{
    if (m_keyParts.isEmpty()) {
        qWarning("No key set.");
        m_lastError = ErrorNoKeySet;
        return QByteArray();
    }

    char flags = CryptFlagNone;
    QByteArray payload = plaintext;
    if (m_compressionMode == CompressionAlways) {
        payload = qCompress(plaintext, 9);
        flags |= CryptFlagCompression;
    } else if (m_compressionMode == CompressionAuto) {
        QByteArray compressed = qCompress(plaintext, 9);
        if (compressed.size() < plaintext.size()) {
            payload = compressed;
            flags |= CryptFlagCompression;
        }
    }

    QByteArray integrity;
    if (m_protectionMode == ProtectionChecksum) {
        flags |= CryptFlagChecksum;
        const quint16 checksum = qChecksum(payload);
        integrity.append(char(checksum >> 8));
        integrity.append(char(checksum & 0xFF));
    } else if (m_protectionMode == ProtectionHash) {
        flags |= CryptFlagHash;
        integrity = QCryptographicHash::hash(payload, QCryptographicHash::Sha1);
    }

    QByteArray body;
    body.reserve(1 + integrity.size() + payload.size());
    body.append(char(leadByte()));
    body.append(integrity);
    body.append(payload);

    char last = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        body[i] = char(body.at(i) ^ m_keyParts.at(i % 8) ^ last);
        last = body.at(i);
    }

    QByteArray result;
    result.reserve(2 + body.size());
    result.append(kVersion);
    result.append(flags);
    result.append(body);
    m_lastError = ErrorNoError;
    return result;
}

QByteArray SimpleCrypt::encryptToByteArray(const QString &plaintext)
{
    return encryptToByteArray(plaintext.toUtf8());
}

QString SimpleCrypt::encryptToString(QString plaintext)
{
    return encryptToString(plaintext.toUtf8());
}

QString SimpleCrypt::encryptToString(QByteArray plaintext)
{
    return QString::fromLatin1(encryptToByteArray(plaintext).toBase64());
}

QByteArray SimpleCrypt::decryptToByteArray(QByteArray cypher)
{
    if (m_keyParts.isEmpty()) {
        qWarning("No key set.");
        m_lastError = ErrorNoKeySet;
        return QByteArray();
    }
    if (cypher.size() < 3)
        return QByteArray();
    if (cypher.at(0) != kVersion) {
        m_lastError = ErrorUnknownVersion;
        qWarning("Invalid version or not a cyphertext.");
        return QByteArray();
    }

    const char flags = cypher.at(1);
    QByteArray body = cypher.mid(2);
    char last = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char current = body.at(i);
        body[i] = char(current ^ last ^ m_keyParts.at(i % 8));
        last = current;
    }
    body.remove(0, 1); // lead byte

    bool integrityOk = true;
    if (flags & CryptFlagChecksum) {
        if (body.size() < 2) {
            integrityOk = false;
        } else {
            const quint16 stored = quint16((quint8(body.at(0)) << 8) | quint8(body.at(1)));
            body.remove(0, 2);
            integrityOk = stored == qChecksum(body);
        }
    } else if (flags & CryptFlagHash) {
        if (body.size() < 20) {
            integrityOk = false;
        } else {
            const QByteArray stored = body.left(20);
            body.remove(0, 20);
            integrityOk = stored == QCryptographicHash::hash(body, QCryptographicHash::Sha1);
        }
    }
    if (!integrityOk) {
        m_lastError = ErrorIntegrityFailed;
        return QByteArray();
    }

    if (flags & CryptFlagCompression) {
        if (body.size() >= 4) {
            const quint32 claimed = (quint32(quint8(body.at(0))) << 24) |
                                    (quint32(quint8(body.at(1))) << 16) | (quint32(quint8(body.at(2))) << 8) |
                                    quint32(quint8(body.at(3)));
            if (claimed > kMaxUncompressedSize) {
                m_lastError = ErrorIntegrityFailed;
                return QByteArray();
            }
        }
        body = qUncompress(body);
    }

    m_lastError = ErrorNoError;
    return body;
}

QByteArray SimpleCrypt::decryptToByteArray(const QString &cyphertext)
{
    return decryptToByteArray(QByteArray::fromBase64(cyphertext.toLatin1()));
}

QString SimpleCrypt::decryptToString(QString cyphertext)
{
    return QString::fromUtf8(decryptToByteArray(QByteArray::fromBase64(cyphertext.toLatin1())));
}

QString SimpleCrypt::decryptToString(QByteArray cypher)
{
    return QString::fromUtf8(decryptToByteArray(cypher));
}

int SimpleCrypt::encryptToString(const QString &plaintext, char *buffer, int capacity)
{
    const QString base64 = encryptToString(plaintext.toUtf8());
    return copyToBuffer(base64.toLocal8Bit(), buffer, capacity);
}

int SimpleCrypt::decryptToString(const QString &cyphertext, char *buffer, int capacity)
{
    if (buffer && capacity > 0)
        buffer[0] = '\0';
    const QString plain = decryptToString(cyphertext);
    if (plain.isEmpty())
        return 0;
    return copyToBuffer(plain.toLocal8Bit(), buffer, capacity);
}
