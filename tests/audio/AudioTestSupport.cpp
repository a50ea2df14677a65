#include "AudioTestSupport.h"

#include "audio/kvraudio_testing.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>
#include <QThread>
#include <QtDebug>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

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

// Runs a program and returns its exit code (-1 when it could not run), with its standard output in
// `out`. posix_spawn rather than QProcess: ThreadSanitizer refuses a fork in a process with threads,
// and every Qt test has its watchdog thread.
int run(const char *program, const QStringList &args, QByteArray *out = nullptr)
{
    QTemporaryFile output;
    if (!output.open())
        return -1;
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
    posix_spawn_file_actions_adddup2(&actions, output.handle(), 1);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (out) {
        QFile file(output.fileName());
        if (file.open(QIODevice::ReadOnly))
            *out = file.readAll();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

bool ffmpeg(const QStringList &args)
{
    const QStringList all =
        QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-hide_banner"),
                    QStringLiteral("-loglevel"), QStringLiteral("error")} +
        args;
    if (run("ffmpeg", all) != 0) {
        qWarning() << "ffmpeg failed:" << args;
        return false;
    }
    return true;
}

bool makeFixture(const QString &path, const QString &lavfiSource, const QStringList &outputOptions)
{
    return ffmpeg(
        QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), lavfiSource} +
        outputOptions + QStringList{path});
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
