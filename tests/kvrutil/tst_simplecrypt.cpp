// The cipher-text layout is shared by every enciphered file of the player and the upgrader,
// so these tests check it byte by byte against the layout, not only by round trips.

#include "kvrutil/BuiltInKey.h"
#include "kvrutil/kvrutil.h"

#include <QCryptographicHash>
#include <QSet>
#include <QtTest>

namespace {

QByteArray keyBytes(quint64 key)
{
    QByteArray bytes;
    for (int i = 0; i < 8; ++i)
        bytes.append(char((key >> (8 * i)) & 0xFF));
    return bytes;
}

QByteArray chainXor(const QByteArray &plainBody, quint64 key)
{
    const QByteArray k = keyBytes(key);
    QByteArray out = plainBody;
    char last = 0;
    for (int i = 0; i < out.size(); ++i) {
        out[i] = char(out.at(i) ^ k.at(i % 8) ^ last);
        last = out.at(i);
    }
    return out;
}

QByteArray unchainXor(const QByteArray &body, quint64 key)
{
    const QByteArray k = keyBytes(key);
    QByteArray out = body;
    char last = 0;
    for (int i = 0; i < out.size(); ++i) {
        out[i] = char(body.at(i) ^ k.at(i % 8) ^ last);
        last = body.at(i);
    }
    return out;
}

QByteArray crcBigEndian(const QByteArray &payload)
{
    const quint16 crc = qChecksum(payload);
    return QByteArray(1, char(crc >> 8)) + char(crc & 0xFF);
}

} // namespace

class TestSimpleCrypt : public QObject
{
    Q_OBJECT

private slots:
    void handAssembledDeciphers_data();
    void handAssembledDeciphers();
    void producedCipherTakesApart_data();
    void producedCipherTakesApart();
    void emptyText();
    void leadByteVaries();
    void failures();
    void uncompressedSizeClaim_data();
    void uncompressedSizeClaim();
    void charBuffers();
    void copiesAreIndependent();
};

void TestSimpleCrypt::handAssembledDeciphers_data()
{
    QTest::addColumn<quint64>("key");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("plain");

    const QByteArray chinese = QStringLiteral("歌词：月亮代表我的心").toUtf8();
    const QByteArray repetitive = QByteArray("<song title=\"a\"/>").repeated(50);
    QTest::newRow("checksum, key 1") << quint64(1) << 0x02 << QByteArray("hello");
    QTest::newRow("checksum, built-in key") << kvrutil::kBuiltInKey << 0x02 << chinese;
    QTest::newRow("compressed + checksum") << kvrutil::kBuiltInKey << 0x03 << repetitive;
    QTest::newRow("sha-1") << quint64(0x0123456789ABCDEFull) << 0x04 << chinese;
    QTest::newRow("compressed + sha-1") << quint64(0x0123456789ABCDEFull) << 0x05 << repetitive;
    QTest::newRow("no integrity") << quint64(0xFFFFFFFFFFFFFFFFull) << 0x00 << QByteArray("x");
}

void TestSimpleCrypt::handAssembledDeciphers()
{
    QFETCH(quint64, key);
    QFETCH(int, flags);
    QFETCH(QByteArray, plain);

    const QByteArray payload = (flags & 0x01) ? qCompress(plain, 9) : plain;
    QByteArray integrity;
    if (flags & 0x02)
        integrity = crcBigEndian(payload);
    else if (flags & 0x04)
        integrity = QCryptographicHash::hash(payload, QCryptographicHash::Sha1);
    const QByteArray body = char(0xA7) + integrity + payload;
    const QByteArray cipher = QByteArray(1, char(0x03)) + char(flags) + chainXor(body, key);

    SimpleCrypt crypt(key);
    QCOMPARE(crypt.decryptToByteArray(cipher), plain);
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoError);
    // The text form is the base64 of the whole byte form.
    QCOMPARE(crypt.decryptToString(QString::fromLatin1(cipher.toBase64())), QString::fromUtf8(plain));
}

void TestSimpleCrypt::producedCipherTakesApart_data()
{
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("protection");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<int>("expectedFlags");

    const QByteArray shortText = "短文本";
    const QByteArray longText = QByteArray("kvrkvrkvr*").repeated(100);
    QTest::newRow("default, short") << 0 << 1 << shortText << 0x02;
    QTest::newRow("default, long repetitive") << 0 << 1 << longText << 0x03;
    QTest::newRow("always compress, short") << 1 << 1 << shortText << 0x03;
    QTest::newRow("never compress, long") << 2 << 1 << longText << 0x02;
    QTest::newRow("unknown compression mode acts as never") << 7 << 1 << longText << 0x02;
    QTest::newRow("sha-1") << 0 << 2 << shortText << 0x04;
    QTest::newRow("no integrity") << 0 << 0 << shortText << 0x00;
    QTest::newRow("unknown integrity mode acts as none") << 2 << 9 << longText << 0x00;
}

void TestSimpleCrypt::producedCipherTakesApart()
{
    QFETCH(int, compression);
    QFETCH(int, protection);
    QFETCH(QByteArray, plain);
    QFETCH(int, expectedFlags);

    SimpleCrypt crypt;
    crypt.setCompressionMode(SimpleCrypt::CompressionMode(compression));
    crypt.setIntegrityProtectionMode(SimpleCrypt::IntegrityProtectionMode(protection));
    const QByteArray cipher = crypt.encryptToByteArray(plain);
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoError);

    QCOMPARE(quint8(cipher.at(0)), quint8(0x03));
    QCOMPARE(int(quint8(cipher.at(1))), expectedFlags);

    QByteArray body = unchainXor(cipher.mid(2), kvrutil::kBuiltInKey);
    body.remove(0, 1); // lead byte
    QByteArray payload = body;
    if (expectedFlags & 0x02) {
        payload = body.mid(2);
        QCOMPARE(body.left(2), crcBigEndian(payload));
    } else if (expectedFlags & 0x04) {
        payload = body.mid(20);
        QCOMPARE(body.left(20), QCryptographicHash::hash(payload, QCryptographicHash::Sha1));
    }
    if (expectedFlags & 0x01) {
        // qCompress's form: the uncompressed length, big-endian, then a zlib stream.
        const quint32 length = (quint32(quint8(payload.at(0))) << 24) |
                               (quint32(quint8(payload.at(1))) << 16) |
                               (quint32(quint8(payload.at(2))) << 8) | quint8(payload.at(3));
        QCOMPARE(length, quint32(plain.size()));
        QCOMPARE(quint8(payload.at(4)), quint8(0x78)); // zlib header
        payload = qUncompress(payload);
    }
    QCOMPARE(payload, plain);
}

void TestSimpleCrypt::emptyText()
{
    SimpleCrypt crypt;
    const QByteArray cipher = crypt.encryptToByteArray(QString());
    QCOMPARE(cipher.size(), 5);
    QCOMPARE(quint8(cipher.at(0)), quint8(0x03));
    QCOMPARE(quint8(cipher.at(1)), quint8(0x02));
    const QString text = crypt.encryptToString(QString());
    QCOMPARE(text.size(), 8);
    QCOMPARE(crypt.decryptToString(text), QString());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorNoError);
}

void TestSimpleCrypt::leadByteVaries()
{
    SimpleCrypt crypt;
    const QString plain = QStringLiteral("同一段文字");
    QSet<QString> ciphers;
    for (int i = 0; i < 16; ++i) {
        const QString cipher = crypt.encryptToString(plain);
        QCOMPARE(crypt.decryptToString(cipher), plain);
        ciphers.insert(cipher);
    }
    QVERIFY(ciphers.size() > 1);
}

void TestSimpleCrypt::failures()
{
    SimpleCrypt crypt;
    const QByteArray good = crypt.encryptToByteArray(QStringLiteral("播放列表 defaultList"));

    QByteArray wrongVersion = good;
    wrongVersion[0] = 0x02;
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptToByteArray(wrongVersion).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorUnknownVersion);

    // Under 3 bytes: empty, and the last error is left as it was.
    QVERIFY(crypt.decryptToByteArray(QByteArray("\x03\x02", 2)).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorUnknownVersion);

    int caught = 0;
    for (int i = 3; i < good.size(); ++i) {
        QByteArray flipped = good;
        flipped[i] = char(flipped.at(i) ^ 0x20);
        if (crypt.decryptToByteArray(flipped).isEmpty() &&
            crypt.lastError() == SimpleCrypt::ErrorIntegrityFailed)
            ++caught;
    }
    QVERIFY2(caught >= good.size() - 4, "a flipped body byte must fail the checksum");

    SimpleCrypt otherKey(0x1122334455667788ull);
    QVERIFY(otherKey.decryptToByteArray(good).isEmpty());
    QCOMPARE(otherKey.lastError(), SimpleCrypt::ErrorIntegrityFailed);

    // A checksum flag with too short a body, and plain garbage in text form.
    QVERIFY(crypt.decryptToByteArray(QByteArray("\x03\x02\x11", 3)).isEmpty());
    QCOMPARE(crypt.lastError(), SimpleCrypt::ErrorIntegrityFailed);
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptToString(QStringLiteral("not a cipher text at all")).isEmpty());
    QVERIFY(crypt.decryptToString(QString()).isEmpty());
}

// The first four bytes of a compressed payload claim its plain size, and qUncompress allocates
// that much before it reads anything else; a claim past 64 MiB is a damaged file.
void TestSimpleCrypt::uncompressedSizeClaim_data()
{
    QTest::addColumn<QByteArray>("cipher");
    QTest::addColumn<QByteArray>("plain");

    // Built-in key, compressed without integrity data: the body claims 0xF0000012 bytes.
    QTest::newRow("4 GiB claim, no integrity") << QByteArray::fromBase64("AwFtAz9llOjtvtE=") << QByteArray();

    const auto withClaim = [](quint32 claim, int flags) {
        QByteArray payload = qCompress(QByteArray("hello"), 9);
        for (int i = 0; i < 4; ++i)
            payload[i] = char((claim >> (24 - 8 * i)) & 0xFF);
        const QByteArray integrity = (flags & 0x02) ? crcBigEndian(payload) : QByteArray();
        return QByteArray(1, char(0x03)) + char(flags) +
               chainXor(char(0x11) + integrity + payload, kvrutil::kBuiltInKey);
    };
    const quint32 limit = 64u * 1024 * 1024;
    QTest::newRow("64 MiB claim") << withClaim(limit, 0x01) << QByteArray("hello");
    QTest::newRow("one past 64 MiB") << withClaim(limit + 1, 0x01) << QByteArray();
    QTest::newRow("one past 64 MiB, valid checksum") << withClaim(limit + 1, 0x03) << QByteArray();
}

void TestSimpleCrypt::uncompressedSizeClaim()
{
    QFETCH(QByteArray, cipher);
    QFETCH(QByteArray, plain);

    SimpleCrypt crypt;
    QCOMPARE(crypt.decryptToByteArray(cipher), plain);
    QCOMPARE(crypt.lastError(),
             plain.isEmpty() ? SimpleCrypt::ErrorIntegrityFailed : SimpleCrypt::ErrorNoError);
    QCOMPARE(crypt.decryptToString(QString::fromLatin1(cipher.toBase64())), QString::fromLatin1(plain));
}

void TestSimpleCrypt::charBuffers()
{
    SimpleCrypt crypt;
    const QString plain = QStringLiteral("wplNormal:240,240,240;kvrkvrkvr* 样式");
    QByteArray buffer(4096, 'x');

    const int written = crypt.encryptToString(plain, buffer.data(), int(buffer.size()));
    QVERIFY(written > 0);
    QCOMPARE(buffer.at(written), '\0');
    const QString cipher = QString::fromLatin1(buffer.constData(), written);

    QByteArray out(4096, 'x');
    const int plainBytes = crypt.decryptToString(cipher, out.data(), int(out.size()));
    QCOMPARE(plainBytes, int(plain.toUtf8().size()));
    QCOMPARE(QString::fromLocal8Bit(out.constData(), plainBytes), plain);

    // Exactly room for the text and its zero fits; one byte less never writes past the end.
    QByteArray exact(plainBytes + 1 + 8, 'g');
    QCOMPARE(crypt.decryptToString(cipher, exact.data(), plainBytes + 1), plainBytes);
    QCOMPARE(exact.mid(plainBytes + 1), QByteArray(8, 'g'));
    QByteArray tight(plainBytes + 8, 'g');
    QCOMPARE(crypt.decryptToString(cipher, tight.data(), plainBytes), 0);
    QCOMPARE(tight.at(0), '\0');
    QCOMPARE(tight.mid(plainBytes), QByteArray(8, 'g'));

    QByteArray small(8, 'g');
    QCOMPARE(crypt.encryptToString(plain, small.data(), 4), 0);
    QCOMPARE(small.at(0), '\0');
    QCOMPARE(small.mid(4), QByteArray(4, 'g'));

    QCOMPARE(crypt.decryptToString(QStringLiteral("AAAA"), out.data(), int(out.size())), 0);
    QCOMPARE(out.at(0), '\0');
    QCOMPARE(crypt.decryptToString(cipher, nullptr, 100), 0);
}

void TestSimpleCrypt::copiesAreIndependent()
{
    SimpleCrypt original(42);
    original.setCompressionMode(SimpleCrypt::CompressionAlways);
    SimpleCrypt copy(original);
    QCOMPARE(copy.compressionMode(), SimpleCrypt::CompressionAlways);
    QVERIFY(copy.hasKey());
    const QByteArray cipher = copy.encryptToByteArray(QStringLiteral("abc"));
    QCOMPARE(original.decryptToByteArray(cipher), QByteArray("abc"));

    SimpleCrypt assigned;
    assigned = original;
    QCOMPARE(assigned.decryptToByteArray(cipher), QByteArray("abc"));
}

QTEST_GUILESS_MAIN(TestSimpleCrypt)
#include "tst_simplecrypt.moc"
