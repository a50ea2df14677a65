#pragma once

// Helpers shared by the audio layer's tests: fixtures made with the ffmpeg command, reference
// decodes and durations from ffmpeg and ffprobe, and signal measurements.

#include "audio/kvraudio.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace AudioTestSupport {

// Runs `ffmpeg -y -hide_banner -loglevel error <args>`; false (with a warning) when it fails.
bool ffmpeg(const QStringList &args);
// Makes `path` from a lavfi source ("sine=frequency=440:duration=2") with the output options given.
bool makeFixture(const QString &path, const QString &lavfiSource, const QStringList &outputOptions);
struct Fixture
{
    QString path;
    QString lavfiSource;
    QStringList outputOptions;
};
// The same for several files, all made at once; false (with a warning for each) when any fails.
bool makeFixtures(const QList<Fixture> &fixtures);
// ffprobe's format duration in seconds, or -1.
double ffprobeDuration(const QString &path);
// What `ffmpeg -i path -f s16le -` decodes (the source's rate and channels).
QByteArray ffmpegDecode(const QString &path);

// Seconds of a stream's length (BASS_ChannelGetLength through BASS_ChannelBytes2Seconds).
double lengthSeconds(HSTREAM stream);
double positionSeconds(HSTREAM stream);

// Polls `condition` every few milliseconds, for at most `timeoutMs`.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

// Root mean square of one channel of interleaved stereo samples.
double rms(const std::vector<float> &stereo, int channel = 0);

// Runs the silent device `factor` times faster than real time (KVR_SetSilentSpeed), and remembers
// it for the waits below.
void setSpeed(double factor);
double speed();
// Waits as long as the silent device takes to play `audioMs` of sound (at least a millisecond).
void sleepAudio(int audioMs);
// Wall-clock milliseconds the silent device takes for `audioSeconds` of sound.
double wallMs(double audioSeconds);

// Captures `ms` of sound as the silent device consumes it from now on (the layer initialised at
// 44100 Hz).
std::vector<float> captureFor(int ms);

} // namespace AudioTestSupport
