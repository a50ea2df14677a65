// TAGS_Read over TagLib: Unicode tags of every format, GBK text in tags without an encoding mark,
// missing values, cached files with a foreign extension, and malformed tags.

#include "AudioTestSupport.h"
#include "audio/kvraudio.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace AudioTestSupport;

namespace {

const QString kTitle = QStringLiteral("中文歌曲");
const QString kArtist = QStringLiteral("歌手甲");
const QString kAlbum = QStringLiteral("专辑乙");

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QByteArray bigEndian32(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

QByteArray syncSafe(quint32 v)
{
    const char bytes[4] = {char((v >> 21) & 0x7f), char((v >> 14) & 0x7f), char((v >> 7) & 0x7f),
                           char(v & 0x7f)};
    return QByteArray(bytes, 4);
}

// An ID3v2.3 frame; `size` overrides the stated size when not negative.
QByteArray frame(const char *id, const QByteArray &payload, qint64 size = -1)
{
    return QByteArray(id, 4) + bigEndian32(quint32(size < 0 ? payload.size() : size)) + QByteArray(2, '\0') +
           payload;
}

QByteArray latin1Frame(const char *id, const QByteArray &bytes)
{
    return frame(id, QByteArray(1, '\0') + bytes);
}

QByteArray id3v2(const QByteArray &frames, char version = 3, char flags = 0)
{
    return QByteArray("ID3") + version + '\0' + flags + syncSafe(quint32(frames.size())) + frames;
}

QByteArray field(const QByteArray &bytes, int size)
{
    return bytes.left(size) + QByteArray(size - qMin(size, int(bytes.size())), '\0');
}

QByteArray id3v1(const QByteArray &title, const QByteArray &artist, const QByteArray &album)
{
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field("2001", 4) +
           field("", 30) + QByteArray(1, char(12));
}

QString tagsOf(const QString &path, const char *format = "%TITL|%ARTI|%ALBM")
{
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.toLocal8Bit().constData(), 0, 0, BASS_STREAM_DECODE);
    if (!stream)
        return QStringLiteral("<no stream %1>").arg(BASS_ErrorGetCode());
    const QString text = QString::fromUtf8(TAGS_Read(stream, format));
    BASS_StreamFree(stream);
    return text;
}

} // namespace

class TestAudioTags : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readsTags_data();
    void readsTags();
    void formatText();
    void malformedTagsDoNotCrash_data();
    void malformedTagsDoNotCrash();

private:
    QString write(const QString &name, const QByteArray &content);
    QTemporaryDir m_dir;
    QByteArray m_audio; // an mp3 without any tag
};

void TestAudioTags::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString tone = QStringLiteral("sine=frequency=440:duration=1");
    const QString plain = m_dir.filePath(QStringLiteral("plain.mp3"));
    QVERIFY(
        makeFixture(plain, tone,
                    {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-id3v2_version"),
                     QStringLiteral("0"), QStringLiteral("-fflags"), QStringLiteral("+bitexact")}));
    QFile file(plain);
    QVERIFY(file.open(QIODevice::ReadOnly));
    m_audio = file.readAll();

    const QStringList metadata{QStringLiteral("-metadata"), QStringLiteral("title=") + kTitle,
                               QStringLiteral("-metadata"), QStringLiteral("artist=") + kArtist,
                               QStringLiteral("-metadata"), QStringLiteral("album=") + kAlbum};
    QVERIFY(makeFixtures({{m_dir.filePath(QStringLiteral("utf16.mp3")), tone,
                           QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                                       QStringLiteral("-id3v2_version"), QStringLiteral("3")} +
                               metadata},
                          {m_dir.filePath(QStringLiteral("utf8.mp3")), tone,
                           QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")} + metadata},
                          {m_dir.filePath(QStringLiteral("tags.ogg")), tone,
                           QStringList{QStringLiteral("-c:a"), QStringLiteral("libvorbis")} + metadata},
                          {m_dir.filePath(QStringLiteral("tags.wma")), tone,
                           QStringList{QStringLiteral("-c:a"), QStringLiteral("wmav2")} + metadata},
                          {m_dir.filePath(QStringLiteral("tags.wav")), tone, metadata}}));
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

void TestAudioTags::cleanupTestCase()
{
    BASS_Free();
}

QString TestAudioTags::write(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

void TestAudioTags::readsTags_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: a fixture made by ffmpeg
    QTest::addColumn<QString>("expected");
    const QString all = kTitle + u'|' + kArtist + u'|' + kAlbum;
    const QByteArray gbkFrames = latin1Frame("TIT2", gbk(kTitle)) + latin1Frame("TPE1", gbk(kArtist)) +
                                 latin1Frame("TALB", gbk(kAlbum));
    QTest::newRow("id3v2.3 utf-16") << QStringLiteral("utf16.mp3") << QByteArray() << all;
    QTest::newRow("id3v2.4 utf-8") << QStringLiteral("utf8.mp3") << QByteArray() << all;
    QTest::newRow("vorbis comments") << QStringLiteral("tags.ogg") << QByteArray() << all;
    QTest::newRow("asf") << QStringLiteral("tags.wma") << QByteArray() << all;
    QTest::newRow("riff info") << QStringLiteral("tags.wav") << QByteArray() << all;
    QTest::newRow("id3v2 gbk without mark")
        << QStringLiteral("gbk2.mp3") << id3v2(gbkFrames) + m_audio << all;
    QTest::newRow("id3v1 gbk") << QStringLiteral("gbk1.mp3")
                               << m_audio + id3v1(gbk(kTitle), gbk(kArtist), gbk(kAlbum)) << all;
    QTest::newRow("cached copy named .dat")
        << QStringLiteral("song.dat") << id3v2(gbkFrames) + m_audio << all;
    // Latin-1 only where the bytes are not GBK: "Caf\xe9 " could not be Chinese, "Bj\xf6rk" could.
    QTest::newRow("latin-1") << QStringLiteral("latin1.mp3")
                             << id3v2(latin1Frame("TIT2", "Caf\xe9 Ol\xe9") +
                                      latin1Frame("TPE1", "Beyonc\xe9")) +
                                    m_audio
                             << QStringLiteral("Café Olé|Beyoncé|");
    QTest::newRow("missing artist") << QStringLiteral("partial.mp3")
                                    << id3v2(latin1Frame("TIT2", "Title") + latin1Frame("TALB", "Album")) +
                                           m_audio
                                    << QStringLiteral("Title||Album");
    QTest::newRow("no tags") << QStringLiteral("plain.mp3") << QByteArray() << QString();
}

void TestAudioTags::readsTags()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    const QString path = content.isEmpty() ? m_dir.filePath(name) : write(name, content);
    QVERIFY(!path.isEmpty());
    QCOMPARE(tagsOf(path), expected);
}

void TestAudioTags::formatText()
{
    const QString path = write(QStringLiteral("format.mp3"),
                               id3v2(latin1Frame("TIT2", "T") + latin1Frame("TPE1", "A")) + m_audio);
    QCOMPARE(tagsOf(path, "%ARTI - %TITL (%YEAR)"), QStringLiteral("A - T (%YEAR)"));
    // Only file streams have tags to read.
    QCOMPARE(QByteArray(TAGS_Read(0, "%TITL")), QByteArray());
}

void TestAudioTags::malformedTagsDoNotCrash_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray text = latin1Frame("TIT2", "Title");
    QTest::newRow("frame larger than tag")
        << id3v2(frame("TIT2", QByteArray("\0abc", 4), 0x7ffffff0) + text) + m_audio;
    QTest::newRow("odd utf-16 without bom")
        << id3v2(frame("TIT2", QByteArray("\x01\x41\x00\x42", 4))) + m_audio;
    QTest::newRow("unknown encoding") << id3v2(frame("TPE1", QByteArray("\x09junk", 5))) + m_audio;
    QTest::newRow("empty frames") << id3v2(frame("TIT2", QByteArray()) + frame("TALB", QByteArray()) + text) +
                                         m_audio;
    QTest::newRow("garbage frame ids")
        << id3v2(QByteArray("\xff\xfe\x00\x01\x00\x00\x00\x05\x00\x00hello", 15)) + m_audio;
    QTest::newRow("v2.4 flags on garbage") << id3v2(QByteArray(64, '\xff'), 4, char(0xc0)) + m_audio;
    QTest::newRow("tag longer than file") << QByteArray("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + text;
    QTest::newRow("id3v1 binary") << m_audio + "TAG" + QByteArray(125, '\x01');
    QTest::newRow("ape footer lies") << m_audio + QByteArray("APETAGEX") + QByteArray("\xd0\x07\x00\x00", 4) +
                                            QByteArray("\xff\xff\xff\x7f\xff\xff\xff\x7f", 8) +
                                            QByteArray(12, '\0');
    QByteArray noise(4096, '\0');
    quint32 seed = 99;
    for (char &c : noise)
        c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    QTest::newRow("random frames") << id3v2(noise) + m_audio;
}

void TestAudioTags::malformedTagsDoNotCrash()
{
    QFETCH(QByteArray, content);
    const QString path = write(QStringLiteral("broken.mp3"), content);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.toLocal8Bit().constData(), 0, 0, BASS_STREAM_DECODE);
    if (!stream) {
        QVERIFY(BASS_ErrorGetCode() != BASS_OK);
        return;
    }
    const char *text = TAGS_Read(stream, "%TITL|%ARTI|%ALBM");
    QVERIFY(text);
    // Whatever came out is text, never bytes that are not UTF-8.
    QVERIFY(QString::fromUtf8(text).toUtf8() == QByteArray(text));
    QVERIFY(BASS_StreamFree(stream));
}

QTEST_GUILESS_MAIN(TestAudioTags)
#include "tst_audiotags.moc"
