// The ALSA output, through ALSA's own "file" plugin in place of a sound card (ALSA_CONFIG_PATH points
// at a configuration made here): the mixed sound reaches the device, the device stays open across
// songs, and a device that cannot be opened fails BASS_Init with an error code.

#include "AudioTestSupport.h"
#include "audio/kvraudio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <vector>

using namespace AudioTestSupport;

namespace {

void countEnd(HSYNC, DWORD, DWORD, void *user)
{
    ++*static_cast<std::atomic<int> *>(user);
}

// The left channel of 16-bit stereo without its silent frames. This device takes audio as fast as
// it comes, so a song may arrive with gaps of silence between its parts; without them, the first
// song's frames are followed by the second's.
std::vector<double> soundingFrames(const QByteArray &raw)
{
    const auto *s = reinterpret_cast<const int16_t *>(raw.constData());
    std::vector<double> left;
    for (qsizetype i = 0; i < raw.size() / 4; ++i) {
        if (s[2 * i] != 0 || s[2 * i + 1] != 0)
            left.push_back(s[2 * i] / 32767.0);
    }
    return left;
}

struct Sound
{
    double rms = 0;
    double hz = 0;
};

Sound measure(std::vector<double>::const_iterator begin, std::vector<double>::const_iterator end)
{
    Sound sound;
    double sum = 0;
    int crossings = 0;
    for (auto it = begin; it != end; ++it) {
        sum += *it * *it;
        if (it != begin && (*it < 0) != (it[-1] < 0))
            ++crossings;
    }
    const auto n = double(end - begin);
    if (n > 0) {
        sound.rms = std::sqrt(sum / n);
        sound.hz = crossings / 2.0 * 44100.0 / n;
    }
    return sound;
}

} // namespace

class TestAudioAlsa : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unusableDeviceFailsInit();
    void soundReachesTheDeviceAcrossSongs();

private:
    bool useAlsaConfig(const QByteArray &pcmDefinition);
    QTemporaryDir m_dir;
};

void TestAudioAlsa::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The test environment makes the default device silent; here the real ALSA path is under test.
    qputenv("KVR_AUDIO_NOSOUND", "0");
    QList<Fixture> tones;
    for (int hz : {440, 1000})
        tones.append({m_dir.filePath(QStringLiteral("tone%1.wav").arg(hz)),
                      QStringLiteral("aevalsrc=0.5*sin(2*PI*%1*t):s=44100:d=1").arg(hz),
                      {}});
    QVERIFY(makeFixtures(tones));
}

bool TestAudioAlsa::useAlsaConfig(const QByteArray &pcmDefinition)
{
    // A new name each time: ALSA reloads its configuration when the list of files changes, while a
    // rewrite within the same second goes unnoticed.
    static int serial = 0;
    QFile config(m_dir.filePath(QStringLiteral("asound%1.conf").arg(++serial)));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write("pcm.!default " + pcmDefinition + "\n");
    config.close();
    qputenv("ALSA_CONFIG_PATH", config.fileName().toLocal8Bit());
    return true;
}

void TestAudioAlsa::unusableDeviceFailsInit()
{
    QVERIFY(useAlsaConfig("{ type hw card 97 }"));
    QVERIFY(!BASS_Init(-1, 44100, 0, nullptr, nullptr));
    QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    // No sound card is needed for device 0.
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
    QVERIFY(BASS_Free());
}

void TestAudioAlsa::soundReachesTheDeviceAcrossSongs()
{
    const QString output = m_dir.filePath(QStringLiteral("device.raw"));
    QVERIFY(useAlsaConfig("{ type file slave { pcm { type null } } file \"" + output.toLocal8Bit() +
                          "\" format \"raw\" }"));
    QVERIFY(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    // Two songs one after the other, a pause between them: the file plugin starts its file afresh
    // whenever the device is opened, so both songs in one file show that it stayed open.
    for (int hz : {440, 1000}) {
        HSTREAM stream = BASS_StreamCreateFile(
            FALSE, m_dir.filePath(QStringLiteral("tone%1.wav").arg(hz)).toLocal8Bit().constData(), 0, 0, 0);
        QVERIFY(stream);
        std::atomic<int> ends{0};
        QVERIFY(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &countEnd, &ends));
        QVERIFY(BASS_ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return ends > 0; }, 5000));
        QVERIFY(BASS_StreamFree(stream));
        QThread::msleep(200);
    }
    QVERIFY(BASS_Free());

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::vector<double> sound = soundingFrames(file.readAll());
    QVERIFY2(sound.size() >= 2 * 44100 - 500, // a sine passes exact zero now and then
             qPrintable(QString::number(sound.size())));
    // The first song, then the second: each at the level written (0.5 peak) and at its own pitch.
    const auto middle = sound.begin() + ptrdiff_t(sound.size() / 2);
    const Sound first = measure(sound.begin() + 100, middle - 100);
    const Sound second = measure(middle + 100, sound.end() - 100);
    for (const Sound &s : {first, second})
        QVERIFY2(qAbs(s.rms - 0.5 / std::sqrt(2.0)) < 0.01, qPrintable(QString::number(s.rms)));
    QVERIFY2(qAbs(first.hz - 440) < 10, qPrintable(QString::number(first.hz)));
    QVERIFY2(qAbs(second.hz - 1000) < 20, qPrintable(QString::number(second.hz)));
}

QTEST_GUILESS_MAIN(TestAudioAlsa)
#include "tst_audioalsa.moc"
