#include "AudioTestSupport.h"

#include "FixtureCache.h"
#include "audio/kvraudio_testing.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>
#include <QtDebug>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

#if defined(__SANITIZE_THREAD__)
// QtTest joins its watchdog thread through Qt's own futex wait, which ThreadSanitizer cannot see, and
// then reports the watchdog's teardown as races. Qt-internal, not ours: ignore what QtTest itself does
// with memory and the wait condition it destroys.
extern "C" const char *__tsan_default_suppressions()
{
    return "called_from_lib:libQt6Test.so\n"
           "race:QWaitCondition::~QWaitCondition\n";
}
#endif

namespace AudioTestSupport {

namespace {

// Starts a program with its standard output going to `output` (or to /dev/null); -1 when it could
// not start. posix_spawn rather than QProcess: ThreadSanitizer refuses a fork in a process with
// threads, and every Qt test has its watchdog thread.
pid_t spawn(const char *program, const QStringList &args, int output = -1)
{
    QList<QByteArray> storage{QByteArray(program)};
    for (const QString &arg : args)
        storage << arg.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output >= 0)
        posix_spawn_file_actions_adddup2(&actions, output, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// The exit code of a started program (-1 when it did not start or did not exit).
int exitCode(pid_t pid)
{
    if (pid < 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a program and returns its exit code (-1 when it could not run), with its standard output in
// `out`.
int run(const char *program, const QStringList &args, QByteArray *out = nullptr)
{
    QTemporaryFile output;
    if (!output.open())
        return -1;
    const int code = exitCode(spawn(program, args, output.handle()));
    if (out) {
        QFile file(output.fileName());
        if (file.open(QIODevice::ReadOnly))
            *out = file.readAll();
    }
    return code;
}

QStringList ffmpegArguments(const QStringList &args)
{
    return QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-hide_banner"),
                       QStringLiteral("-loglevel"), QStringLiteral("error")} +
           args;
}

QStringList fixtureArguments(const Fixture &fixture)
{
    return QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                       fixture.lavfiSource} +
           fixture.outputOptions + QStringList{fixture.path};
}

} // namespace

bool ffmpeg(const QStringList &args)
{
    if (run("ffmpeg", ffmpegArguments(args)) != 0) {
        qWarning() << "ffmpeg failed:" << args;
        return false;
    }
    return true;
}

bool makeFixture(const QString &path, const QString &lavfiSource, const QStringList &outputOptions)
{
    return makeFixtures({{path, lavfiSource, outputOptions}});
}

bool makeFixtures(const QList<Fixture> &fixtures)
{
    // Those made before come from the cache; the others are made all at once.
    std::vector<pid_t> runs;
    QStringList entries;
    for (const Fixture &fixture : fixtures) {
        const QString entry = fixturecache::entryFor(
            QStringLiteral(KVR_BINARY_DIR "/test-fixtures"), QStringLiteral("ffmpeg"),
            ffmpegArguments(fixtureArguments({QString(), fixture.lavfiSource, fixture.outputOptions})),
            QFileInfo(fixture.path).suffix());
        entries << entry;
        runs.push_back(fixturecache::take(entry, fixture.path)
                           ? 0
                           : spawn("ffmpeg", ffmpegArguments(fixtureArguments(fixture))));
    }
    bool made = true;
    for (qsizetype i = 0; i < fixtures.size(); ++i) {
        const pid_t run = runs.at(size_t(i));
        if (run == 0)
            continue;
        if (exitCode(run) != 0) {
            qWarning() << "ffmpeg failed:" << fixtureArguments(fixtures.at(i));
            made = false;
            continue;
        }
        fixturecache::keep(fixtures.at(i).path, entries.at(i));
    }
    return made;
}

double ffprobeDuration(const QString &path)
{
    QByteArray out;
    if (run("ffprobe",
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"),
             path},
            &out) != 0)
        return -1;
    bool ok = false;
    const double seconds = QString::fromLatin1(out).trimmed().toDouble(&ok);
    return ok ? seconds : -1;
}

QByteArray ffmpegDecode(const QString &path)
{
    QByteArray out;
    if (run("ffmpeg",
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"),
             path, QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")},
            &out) != 0)
        return QByteArray();
    return out;
}

double lengthSeconds(HSTREAM stream)
{
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
}

double positionSeconds(HSTREAM stream)
{
    return BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(2);
    }
    return true;
}

double rms(const std::vector<float> &stereo, int channel)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = size_t(channel); i < stereo.size(); i += 2, ++n)
        sum += double(stereo[i]) * stereo[i];
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

namespace {
double g_speed = 1.0;
}

void setSpeed(double factor)
{
    g_speed = factor;
    KVR_SetSilentSpeed(factor);
}

double speed()
{
    return g_speed;
}

void sleepAudio(int audioMs)
{
    QThread::msleep(ulong(qMax(1.0, wallMs(audioMs / 1000.0))));
}

double wallMs(double audioSeconds)
{
    return audioSeconds * 1000.0 / g_speed;
}

std::vector<float> captureFor(int ms)
{
    kvraudio::testing::startCapture(size_t(44100) * size_t(ms) / 1000);
    // The recording stops by itself at its size; a little longer makes sure it is full.
    sleepAudio(ms);
    QThread::msleep(30);
    return kvraudio::testing::stopCapture();
}

} // namespace AudioTestSupport
