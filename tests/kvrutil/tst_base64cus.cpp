#include "kvrutil/kvrutil.h"

#include <QtTest>

#include <cstdlib>

class TestBase64Cus : public QObject
{
    Q_OBJECT

private slots:
    void encodeMatchesStandardBase64_data();
    void encodeMatchesStandardBase64();
    void decodeRejects_data();
    void decodeRejects();
    void customRoundTrip_data();
    void customRoundTrip();
    void customFailures();
};

void TestBase64Cus::encodeMatchesStandardBase64_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("one byte pads ==") << QByteArray("M");
    QTest::newRow("two bytes pad =") << QByteArray("Ma");
    QTest::newRow("three bytes, no padding") << QByteArray("Man");
    QTest::newRow("binary with zeros") << QByteArray("\x00\xff\x10\x00\x80", 5);
    QTest::newRow("longer") << QByteArray("The quick brown fox jumps over the lazy dog");
}

void TestBase64Cus::encodeMatchesStandardBase64()
{
    QFETCH(QByteArray, data);
    CBase64Cus codec;
    unsigned char *coded =
        codec.encode(reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
    QVERIFY(coded);
    const QByteArray text(reinterpret_cast<const char *>(coded));
    std::free(coded);
    QCOMPARE(text, data.toBase64());

    unsigned char *decoded =
        codec.decode(reinterpret_cast<const unsigned char *>(text.constData()), int(text.size()));
    QVERIFY(decoded);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(decoded), data.size()), data);
    // The buffer holds length * 3 / 4 bytes and a zero; padding decodes as zero bytes.
    QCOMPARE(decoded[text.size() * 3 / 4], 0);
    std::free(decoded);
}

void TestBase64Cus::decodeRejects_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("length 5") << QByteArray("QUJDR");
    QTest::newRow("star") << QByteArray("QU*D");
}

void TestBase64Cus::decodeRejects()
{
    QFETCH(QByteArray, text);
    CBase64Cus codec;
    QVERIFY(!codec.decode(reinterpret_cast<const unsigned char *>(text.constData()), int(text.size())));
    QVERIFY(!codec.encode(nullptr, 3));
}

void TestBase64Cus::customRoundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("plain");
    QTest::newRow("default key") << QStringLiteral("5820417396") << QStringLiteral("hello kvr");
    // The default key's bytes XOR to 0x01: a text holding that byte must survive.
    QTest::newRow("byte equal to the key's xor") << QStringLiteral("5820417396") << QStringLiteral("a\x01z");
    QTest::newRow("one byte") << QStringLiteral("k") << QStringLiteral("Q");
}

void TestBase64Cus::customRoundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, plain);
    CBase64Cus codec;
    codec.m_sKey = key;
    codec.m_sPlain = plain;
    QVERIFY(codec.Base64CustomEn());
    const QString coded = codec.m_sCoded;
    codec.m_sPlain.clear();
    QVERIFY(codec.Base64CustomDe());
    QCOMPARE(codec.m_sPlain, plain);

    CBase64Cus copy = codec;
    QCOMPARE(copy.m_sCoded, coded);
}

void TestBase64Cus::customFailures()
{
    CBase64Cus codec;
    // An even number of equal key bytes cancels out: the text is plain base64.
    codec.m_sKey = QStringLiteral("77");
    codec.m_sPlain = QStringLiteral("abc");
    QVERIFY(codec.Base64CustomEn());
    QCOMPARE(codec.m_sCoded, QStringLiteral("YWJj"));

    codec.m_sPlain.clear();
    QTest::ignoreMessage(QtDebugMsg, "base64 encode wrong");
    QVERIFY(!codec.Base64CustomEn());
    QCOMPARE(codec.m_sCoded, QStringLiteral("YWJj"));

    const struct
    {
        const char *coded;
        const char *message;
    } cases[] = {{"", "base64 decode wrong"},
                 {"YWJjY", "string isn't base64 encoded"},
                 {"YW*j", "base64 decode wrong"}};
    for (const auto &c : cases) {
        codec.m_sCoded = QString::fromLatin1(c.coded);
        codec.m_sPlain = QStringLiteral("kept");
        QTest::ignoreMessage(QtDebugMsg, c.message);
        QVERIFY(!codec.Base64CustomDe());
        QCOMPARE(codec.m_sPlain, QStringLiteral("kept"));
    }
}

QTEST_GUILESS_MAIN(TestBase64Cus)
#include "tst_base64cus.moc"
