#pragma once

#include "kvrutil_global.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// The one cipher of the system. Every enciphered file and value (style sheet, lists, library,
// picture associations, lyrics, enciphered settings) is in this byte layout:
//
//   [0] version 0x03   [1] flags (0x01 compressed, 0x02 CRC-16, 0x04 SHA-1)   [2..] enciphered body
//   body = lead byte (random), integrity data (0, 2 or 20 bytes), payload (qCompress'ed when 0x01)
//
// enciphered with a chained XOR over the 8 key bytes, and travels as base64 text. The player and
// the upgrader read each other's files, so the layout must never change. A compressed payload
// that claims more than 64 MiB of plain text is refused as damaged (ErrorIntegrityFailed).
//
// No locking: an object is used by one thread at a time.
class KVRUTIL_EXPORT SimpleCrypt
{
public:
    // Fixed underlying types: modes outside the named values are legal and act as documented.
    enum CompressionMode : int
    {
        CompressionAuto = 0,
        CompressionAlways = 1,
        CompressionNever = 2
    };
    enum IntegrityProtectionMode : int
    {
        ProtectionNone = 0,
        ProtectionChecksum = 1,
        ProtectionHash = 2
    };
    enum Error
    {
        ErrorNoError = 0,
        ErrorNoKeySet = 1,
        ErrorUnknownVersion = 2,
        ErrorIntegrityFailed = 3
    };

    SimpleCrypt();
    explicit SimpleCrypt(quint64 key);
    SimpleCrypt(const SimpleCrypt &other);
    SimpleCrypt &operator=(const SimpleCrypt &other);
    ~SimpleCrypt();

    void setKey(quint64 key);
    bool hasKey() const { return !m_keyParts.isEmpty(); }

    void setCompressionMode(CompressionMode mode) { m_compressionMode = mode; }
    CompressionMode compressionMode() const { return m_compressionMode; }
    void setIntegrityProtectionMode(IntegrityProtectionMode mode) { m_protectionMode = mode; }
    IntegrityProtectionMode integrityProtectionMode() const { return m_protectionMode; }
    Error lastError() const { return m_lastError; }

    QByteArray encryptToByteArray(QByteArray plaintext);
    QByteArray encryptToByteArray(const QString &plaintext);
    QString encryptToString(QString plaintext);
    QString encryptToString(QByteArray plaintext);

    QByteArray decryptToByteArray(QByteArray cypher);
    QByteArray decryptToByteArray(const QString &cyphertext);
    QString decryptToString(QString cyphertext);
    QString decryptToString(QByteArray cypher);

    // The caller's buffer holds `capacity` bytes. The base64 text (encrypt) or the plain text
    // in the local 8-bit code (decrypt) is written with a terminating zero, and the number of
    // bytes before the zero is returned. A failure, or a result that does not fit with its
    // zero, leaves an empty string (when capacity > 0) and returns 0.
    int encryptToString(const QString &plaintext, char *buffer, int capacity);
    int decryptToString(const QString &cyphertext, char *buffer, int capacity);

private:
    void splitKey();

    quint64 m_key = 0;
    QVector<char> m_keyParts;
    CompressionMode m_compressionMode = CompressionAuto;
    IntegrityProtectionMode m_protectionMode = ProtectionChecksum;
    Error m_lastError = ErrorNoError;
};
