// File-name Base64, safe file names, the MAC address and pinyin initials.
#include "platform/MacAddress.h"
#include "services/core/FileNameBase64.h"
#include "services/core/Pinyin.h"
#include "services/core/SafeFileName.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestTextConversions : public QObject
{
    Q_OBJECT

private slots:
    void fileNameBase64_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("ascii") << "Singer - Song"
                               << "U2luZ2VyIC0gU29uZw==";
        // Standard Base64 of these bytes holds "/", which becomes "_".
        QTest::newRow("slash replaced") << QString::fromLatin1("\x3f\x3f\x3f") << "Pz8_";
        QTest::newRow("chinese") << "周杰伦 - 晴天"
                                 << "5ZGo5p2w5LymIC0g5pm05aSp";
        QTest::newRow("empty") << ""
                               << "";
    }
    void fileNameBase64()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        QCOMPARE(encodeFileNameBase64(text), encoded);
        QVERIFY(!encodeFileNameBase64(text).contains('/'));
        QCOMPARE(decodeFileNameBase64(encoded), text);
    }

    void fileNameBase64RoundTripsAnyName()
    {
        // Every byte value pattern: the "_" form must always decode back.
        for (int i = 0; i < 200; ++i) {
            QString text;
            for (int j = 0; j <= i % 17; ++j)
                text += QChar(0x20 + (i * 31 + j * 57) % 0x4e00);
            QCOMPARE(decodeFileNameBase64(encodeFileNameBase64(text)), text);
        }
    }

    void safeFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("result");
        QTest::newRow("plain") << "Singer - Song"
                               << ".mp3"
                               << "Singer - Song.mp3";
        QTest::newRow("slash") << "AC/DC - Back in Black"
                               << ".mp3"
                               << "AC_DC - Back in Black.mp3";
        QTest::newRow("traversal") << "../../etc/passwd"
                                   << ".lrc"
                                   << "___.._etc_passwd.lrc";
        QTest::newRow("leading dots") << "..hidden"
                                      << ""
                                      << "__hidden";
        QTest::newRow("dot dot") << ".."
                                 << ""
                                 << "__";
        QTest::newRow("control characters") << QString("a\tb\nc") + QChar(0) + "d" + QChar(0x7f) << ".dat"
                                            << "a_b_c_d_.dat";
        QTest::newRow("empty") << ""
                               << ".mp3"
                               << "_.mp3";
        QTest::newRow("inner dots and backslash stay") << "Mr. X\\Y - Song."
                                                       << ".mp3"
                                                       << "Mr. X\\Y - Song..mp3";
        QTest::newRow("chinese") << "周杰伦 - 晴天"
                                 << ".mp3"
                                 << "周杰伦 - 晴天.mp3";
    }
    void safeFileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(QString, result);
        QCOMPARE(g_safeFileName(name, extension), result);
    }

    void longNamesAreShortenedDeterministically()
    {
        const QString longName = QString("周杰伦 - ").repeated(40); // 440 bytes of UTF-8
        const QString a = g_safeFileName(longName + "A", ".mp3");
        const QString b = g_safeFileName(longName + "B", ".mp3");
        QVERIFY(a.toUtf8().size() <= kMaxFileNameBytes);
        QVERIFY(a.endsWith(".mp3"));
        QVERIFY(QRegularExpression("~[0-9a-f]{8}\\.mp3$").match(a).hasMatch());
        QCOMPARE(g_safeFileName(longName + "A", ".mp3"), a);
        QVERIFY(a != b);
        // A name just at the limit is kept whole.
        const QString fits = QString(251, 'x');
        QCOMPARE(g_safeFileName(fits, ".mp3"), fits + ".mp3");
        QVERIFY(g_safeFileName(fits + "x", ".mp3") != fits + "x.mp3");
        // Surrogate pairs are never split.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xB5").repeated(80);
        const QString shortened = g_safeFileName(emoji, ".dat");
        QVERIFY(shortened.toUtf8().size() <= kMaxFileNameBytes);
        QCOMPARE(QString::fromUtf8(shortened.toUtf8()), shortened);
        // And the result really is a usable file name.
        QTemporaryDir dir;
        QFile file(dir.filePath(a));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    }

    void macAddress()
    {
        const QString mac = getMacAddress();
        bool anyReal = false;
        const auto interfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &interface : interfaces) {
            if (!interface.flags().testFlag(QNetworkInterface::IsLoopBack) &&
                interface.hardwareAddress().size() == 17 &&
                interface.hardwareAddress() != "00:00:00:00:00:00")
                anyReal = true;
        }
        if (!anyReal) {
            QCOMPARE(mac, QString());
            QSKIP("this machine has no interface with a hardware address");
        }
        QVERIFY2(QRegularExpression("^[0-9A-F]{2}(-[0-9A-F]{2}){5}$").match(mac).hasMatch(), qPrintable(mac));
        QVERIFY(mac != "00-00-00-00-00-00");
    }

    void pinyinOfCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("syllable");
        QTest::newRow("1601 first") << 1601 << QByteArray("A");
        QTest::newRow("1603 AI") << 1603 << QByteArray("AI");
        QTest::newRow("1637 BA") << 1637 << QByteArray("BA");
        QTest::newRow("1655 BAI") << 1655 << QByteArray("BAI");
        QTest::newRow("5576 ZUI") << 5576 << QByteArray("ZUI");
        QTest::newRow("5589 ZUO, last of level one") << 5589 << QByteArray("ZUO");
        QTest::newRow("3432 LÜ") << 3432 << QByteArray("L\xA8\xB9");
        QTest::newRow("3714 NÜ") << 3714 << QByteArray("N\xA8\xB9");
        QTest::newRow("5634 second level") << 5634 << QByteArray("MI");
        QTest::newRow("5635 second level") << 5635 << QByteArray("BEI");
        QTest::newRow("1600 symbols") << 1600 << QByteArray("?");
        QTest::newRow("101 symbols") << 101 << QByteArray("?");
        QTest::newRow("5590 empty cell") << 5590 << QByteArray("?");
        QTest::newRow("8795 past the end") << 8795 << QByteArray("?");
        QTest::newRow("negative") << -3 << QByteArray("?");
    }
    void pinyinOfCodes()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, syllable);
        QCOMPARE(QByteArray::fromStdString(pinyinOfGbCode(code)), syllable);
    }

    void bothLevelsAreCovered()
    {
        // Every code of both levels that holds a character has a syllable.
        int mapped = 0;
        for (int zone = 16; zone <= 87; ++zone) {
            for (int position = 1; position <= 94; ++position) {
                if (pinyinOfGbCode(zone * 100 + position) != "?")
                    ++mapped;
            }
        }
        QCOMPARE(mapped, 3755 + 3008);
    }

    void gbTextToPinyin_data()
    {
        QTest::addColumn<QByteArray>("gb");
        QTest::addColumn<QByteArray>("pinyin");
        QTest::newRow("ascii") << QByteArray("Hello 123") << QByteArray("Hello 123");
        QTest::newRow("level one") << QByteArray("\xC7\xE7\xCC\xEC") << QByteArray("QINGTIAN");
        QTest::newRow("mixed") << QByteArray("a\xC7\xE7!") << QByteArray("aQING!");
        QTest::newRow("gbk extension: lead skipped, trail kept")
            << QByteArray("\x81\x40x") << QByteArray("@x");
        QTest::newRow("lone high byte at the end") << QByteArray("a\xC7") << QByteArray("a");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void gbTextToPinyin()
    {
        QFETCH(QByteArray, gb);
        QFETCH(QByteArray, pinyin);
        QCOMPARE(QByteArray::fromStdString(toPinyin(gb.toStdString())), pinyin);
    }

    void initials_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("initials");
        QTest::newRow("张三") << "张三" << QByteArray("ZS");
        QTest::newRow("刘德华") << "刘德华" << QByteArray("LDH");
        QTest::newRow("周杰伦") << "周杰伦" << QByteArray("ZJL");
        QTest::newRow("王菲") << "王菲" << QByteArray("WF");
        QTest::newRow("李宇春") << "李宇春" << QByteArray("LYC");
        QTest::newRow("吕 and 女") << "吕女" << QByteArray("LN");
        QTest::newRow("second level") << "芈孛" << QByteArray("MB");
        QTest::newRow("latin kept") << "Beyond" << QByteArray("Beyond");
        QTest::newRow("a and two characters") << "a晴天" << QByteArray("aQT");
        QTest::newRow("blanks only") << "   " << QByteArray();
        QTest::newRow("empty") << "" << QByteArray();
        QTest::newRow("inner blank kept") << "晴 天" << QByteArray("Q T");
        QTest::newRow("full-width symbol") << "！" << QByteArray("?");
    }
    void initials()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, initials);
        QCOMPARE(QByteArray::fromStdString(g_toPinyin(text)), initials);
    }
};

QTEST_GUILESS_MAIN(TestTextConversions)
#include "tst_textconversions.moc"
