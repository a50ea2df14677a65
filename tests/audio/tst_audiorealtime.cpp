// The silent device at its default pace: a song takes as long as it lasts. Every other audio test
// runs the device faster; this one shows that the pace they scale is real time.

#include "AudioTestSupport.h"
#include "audio/kvraudio.h"
#include "audio/kvraudio_testing.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace AudioTestSupport;

namespace {

struct EndRecord
{
    std::atomic<int> calls{0};
    QElapsedTimer clock;
    std::atomic<qint64> atMs{-1};
};

void endProc(HSYNC, DWORD, DWORD, void *user)
{
    auto *record = static_cast<EndRecord *>(user);
    record->atMs = record->clock.elapsed();
    ++record->calls;
}

} // namespace

class TestAudioRealtime : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void songTakesItsOwnLength();

private:
    QTemporaryDir m_dir;
};

void TestAudioRealtime::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(makeFixture(m_dir.filePath(QStringLiteral("tone.mp3")),
                        QStringLiteral("sine=frequency=440:duration=2:sample_rate=44100"),
                        {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                         QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k")}));
    // Whatever the environment asks for, this test is about the default pace.
    qunsetenv("KVR_AUDIO_SPEED");
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

void TestAudioRealtime::cleanupTestCase()
{
    BASS_Free();
}

void TestAudioRealtime::songTakesItsOwnLength()
{
    HSTREAM stream = BASS_StreamCreateFile(
        FALSE, m_dir.filePath(QStringLiteral("tone.mp3")).toLocal8Bit().constData(), 0, 0, 0);
    QVERIFY(stream);
    EndRecord end;
    QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &endProc, &end));
    end.clock.start();
    QVERIFY(BASS_ChannelPlay(stream, FALSE));
    QThread::msleep(1000);
    const double halfway = positionSeconds(stream);
    QVERIFY2(halfway > 0.85 && halfway < 1.1, qPrintable(QString::number(halfway)));
    QVERIFY(waitUntil([&] { return end.calls > 0; }, 5000));
    const double seconds = double(end.atMs) / 1000.0;
    QVERIFY2(seconds > 1.9 && seconds < 2.4, qPrintable(QString::number(seconds)));
    QCOMPARE(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    QThread::msleep(200);
    QCOMPARE(end.calls.load(), 1);
    QVERIFY(BASS_StreamFree(stream));
}

QTEST_GUILESS_MAIN(TestAudioRealtime)
#include "tst_audiorealtime.moc"
