// The mixed output, measured on what the silent device consumed (run faster than real time): global
// and channel volume, the parametric equalizer, several streams at once.

#include "AudioTestSupport.h"
#include "audio/kvraudio.h"
#include "audio/kvraudio_testing.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <complex>

using namespace AudioTestSupport;

namespace {

// Amplitude of the component at `hz` in the left channel (a single-bin Fourier transform).
double amplitudeAt(const std::vector<float> &stereo, double hz)
{
    std::complex<double> sum;
    const size_t frames = stereo.size() / 2;
    for (size_t i = 0; i < frames; ++i)
        sum += double(stereo[2 * i]) * std::polar(1.0, -2.0 * M_PI * hz * double(i) / 44100.0);
    return frames ? 2.0 * std::abs(sum) / double(frames) : 0.0;
}

// The device runs this many times faster than real time; waits and captures count in sound.
constexpr double kSpeed = 5;

// The equalizer's band table: centre in Hz, width in semitones.
const float kBands[8][2] = {{125, 30},  {250, 18},  {500, 18},  {1000, 18},
                            {2000, 18}, {4000, 18}, {8000, 18}, {16000, 18}};

} // namespace

class TestAudioMix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void globalVolumeIsLinearAndLive();
    void channelVolume();
    void equalizerBandAtItsCentre();
    void equalizerLeavesOtherOctaves();
    void mixesStreams();
    void effectParameters();

private:
    HSTREAM playTone(const QString &name, float volume = 1.0f);
    QTemporaryDir m_dir;
    QList<HSTREAM> m_streams;
};

void TestAudioMix::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QList<Fixture> tones;
    for (int hz : {440, 1000, 4000})
        tones.append({m_dir.filePath(QStringLiteral("tone%1.wav").arg(hz)),
                      QStringLiteral("aevalsrc=0.5*sin(2*PI*%1*t)|0.5*sin(2*PI*%1*t):s=44100:d=6").arg(hz),
                      {QStringLiteral("-c:a"), QStringLiteral("pcm_f32le")}});
    QVERIFY(makeFixtures(tones));
    QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
    setSpeed(kSpeed);
}

void TestAudioMix::cleanupTestCase()
{
    BASS_Free();
}

void TestAudioMix::cleanup()
{
    for (HSTREAM stream : std::as_const(m_streams))
        BASS_StreamFree(stream);
    m_streams.clear();
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 10000);
}

HSTREAM TestAudioMix::playTone(const QString &name, float volume)
{
    HSTREAM stream = BASS_StreamCreateFile(FALSE, m_dir.filePath(name).toLocal8Bit().constData(), 0, 0, 0);
    if (!stream)
        return 0;
    m_streams << stream;
    BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, volume);
    BASS_ChannelPlay(stream, FALSE);
    return stream;
}

void TestAudioMix::globalVolumeIsLinearAndLive()
{
    QVERIFY(playTone(QStringLiteral("tone1000.wav")));
    sleepAudio(200);
    const double full = rms(captureFor(400));
    QVERIFY2(qAbs(full - 0.5 / std::sqrt(2.0)) < 0.005, qPrintable(QString::number(full)));

    // Changed while the stream plays, as the volume slider and the fades do.
    QVERIFY(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 5000));
    sleepAudio(100);
    const double half = rms(captureFor(400));
    QVERIFY2(qAbs(half / full - 0.5) < 0.01, qPrintable(QString::number(half / full)));

    QVERIFY(BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, 0));
    sleepAudio(100);
    QVERIFY(rms(captureFor(200)) < 1e-6);
}

void TestAudioMix::channelVolume()
{
    QVERIFY(playTone(QStringLiteral("tone1000.wav"), 0.25f));
    sleepAudio(200);
    const double quarter = rms(captureFor(300));
    QVERIFY2(qAbs(quarter / (0.5 / std::sqrt(2.0)) - 0.25) < 0.005, qPrintable(QString::number(quarter)));
    QVERIFY(!BASS_ChannelSetAttribute(m_streams.first(), BASS_ATTRIB_VOL, 1.5f));
    QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

void TestAudioMix::equalizerBandAtItsCentre()
{
    const HSTREAM stream = playTone(QStringLiteral("tone1000.wav"));
    QVERIFY(stream);
    // Attached the way the equalizer window does it: eight bands, then their parameters.
    HFX bands[8];
    for (HFX &fx : bands) {
        fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0);
        QVERIFY(fx);
    }
    for (int i = 0; i < 8; ++i) {
        BASS_DX8_PARAMEQ p{kBands[i][0], kBands[i][1], 0.0f};
        QVERIFY(BASS_FXSetParameters(bands[i], &p));
    }
    sleepAudio(200);
    const double flat = rms(captureFor(300));

    BASS_DX8_PARAMEQ p;
    QVERIFY(BASS_FXGetParameters(bands[3], &p));
    QCOMPARE(p.fCenter, 1000.0f);
    QCOMPARE(p.fBandwidth, 18.0f);
    p.fGain = 12.0f;
    QVERIFY(BASS_FXSetParameters(bands[3], &p));
    sleepAudio(150);
    const double boosted = rms(captureFor(300));
    QVERIFY2(qAbs(boosted / flat - std::pow(10.0, 12.0 / 20.0)) < 0.15,
             qPrintable(QString::number(boosted / flat)));

    p.fGain = -12.0f;
    QVERIFY(BASS_FXSetParameters(bands[3], &p));
    sleepAudio(150);
    const double cut = rms(captureFor(300));
    QVERIFY2(qAbs(cut / flat - std::pow(10.0, -12.0 / 20.0)) < 0.02, qPrintable(QString::number(cut / flat)));

    p.fGain = 0.0f;
    QVERIFY(BASS_FXSetParameters(bands[3], &p));
    sleepAudio(150);
    QVERIFY(qAbs(rms(captureFor(300)) / flat - 1.0) < 0.01);
}

void TestAudioMix::equalizerLeavesOtherOctaves()
{
    // A one-octave band at 1 kHz, +12 dB: a tone two octaves up keeps its level within 10 %.
    const HSTREAM stream = playTone(QStringLiteral("tone4000.wav"));
    QVERIFY(stream);
    sleepAudio(200);
    const double flat = rms(captureFor(300));
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0);
    BASS_DX8_PARAMEQ p{1000.0f, 12.0f, 12.0f};
    QVERIFY(BASS_FXSetParameters(fx, &p));
    sleepAudio(150);
    const double withBand = rms(captureFor(300));
    QVERIFY2(qAbs(withBand / flat - 1.0) < 0.10, qPrintable(QString::number(withBand / flat)));
}

void TestAudioMix::mixesStreams()
{
    QVERIFY(playTone(QStringLiteral("tone440.wav"), 0.5f));
    QVERIFY(playTone(QStringLiteral("tone1000.wav"), 0.5f));
    sleepAudio(200);
    const std::vector<float> mixed = captureFor(500);
    QVERIFY2(qAbs(amplitudeAt(mixed, 440) - 0.25) < 0.01,
             qPrintable(QString::number(amplitudeAt(mixed, 440))));
    QVERIFY2(qAbs(amplitudeAt(mixed, 1000) - 0.25) < 0.01,
             qPrintable(QString::number(amplitudeAt(mixed, 1000))));
    QVERIFY(amplitudeAt(mixed, 700) < 0.01);
}

void TestAudioMix::effectParameters()
{
    HSTREAM stream = BASS_StreamCreateFile(
        FALSE, m_dir.filePath(QStringLiteral("tone440.wav")).toLocal8Bit().constData(), 0, 0, 0);
    QVERIFY(stream);
    m_streams << stream;
    QCOMPARE(BASS_ChannelSetFX(stream, 99, 0), HFX(0));
    QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    const HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0);
    QVERIFY(fx);
    struct Case
    {
        BASS_DX8_PARAMEQ p;
        bool valid;
    };
    const Case cases[] = {{{16000, 18, 15}, true}, {{125, 30, -15}, true}, {{1000, 0.5f, 0}, false},
                          {{1000, 37, 0}, false},  {{0, 12, 0}, false},    {{1000, 12, 15.5f}, false},
                          {{NAN, 12, 0}, false}};
    for (const Case &c : cases) {
        QCOMPARE(bool(BASS_FXSetParameters(fx, &c.p)), c.valid);
        if (!c.valid)
            QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    }
    BASS_DX8_PARAMEQ back;
    QVERIFY(BASS_FXGetParameters(fx, &back));
    QCOMPARE(back.fCenter, 125.0f);
    QCOMPARE(back.fGain, -15.0f);

    HSTREAM decoding =
        BASS_StreamCreateFile(FALSE, m_dir.filePath(QStringLiteral("tone440.wav")).toLocal8Bit().constData(),
                              0, 0, BASS_STREAM_DECODE);
    QVERIFY(decoding);
    m_streams << decoding;
    QCOMPARE(BASS_ChannelSetFX(decoding, BASS_FX_DX8_PARAMEQ, 0), HFX(0));
    QCOMPARE(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
}

QTEST_GUILESS_MAIN(TestAudioMix)
#include "tst_audiomix.moc"
