// CPU of the whole player (its process and its WebEngine helpers) while it plays a song in the
// main window, side by side with mpv playing the same file to a null output, in one run. Run
// under an X server (xvfb-run) with the fake service's hosts in KVR_HOSTS_INI.
//   playbench [seconds to measure, default 30]
// With "--player <file>" the program is the player side itself: the main window built as main
// builds it, playing the file as a list page hands songs to the controller.

#include "BenchProcess.h"
#include "app/MainWindow.h"
#include "app/ProgramStartup.h"
#include "services/core/Globals.h"
#include "services/core/SongConstants.h"
#include "services/playback/songplayHandler.h"
#include "shell/ShellGlobals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

constexpr int kWarmUpMs = 3000;

int runPlayer(int argc, char *argv[], const QString &song)
{
    g_chooseWebRendering();
    QApplication app(argc, argv);
    g_sAppDir = QStringLiteral(KVR_OUTPUT_DIR);
    g_sDataDir = g_prepareDataDir();
    kvrInstallChineseFonts();
    const StyleSheetLoad style = g_loadStyleSheet(g_sAppDir + QStringLiteral("/ss.css"));
    g_sStyleVars = style.styleVars;
    app.setStyleSheet(style.styleSheet);
    MainWindow window;
    if (!window.audioReady())
        return 3;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.show();
    window.runOnceAfterShow();
    QTimer::singleShot(1000, &window, [song] {
        songplayHandler *player = g_pSongPlayHandler;
        player->m_curSong.nType = SongType::kLocal;
        player->m_curSong.title = QFileInfo(song).completeBaseName();
        player->m_curSong.duration = QStringLiteral("03:00");
        player->beforePlayTheSong(SongType::kLocal, song, player->m_curSong.duration, player->m_curSong.title,
                                  QString(), QString(), 0);
        QTextStream(stdout) << "playing\n" << Qt::flush;
    });
    return app.exec();
}

// CPU milliseconds the process tree of root used during `ms`, measured from the moment the
// program printed `ready` on its standard output (or at once when ready is empty) plus a warm-up.
qint64 treeCpuMs(QProcess &process, const QByteArray &ready, int ms)
{
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (!ready.isEmpty() && !out.contains(ready) && clock.elapsed() < 60000 &&
           process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    QThread::msleep(kWarmUpMs);
    QHash<qint64, qint64> before;
    for (qint64 pid : processTree(process.processId()))
        before.insert(pid, cpuMs(pid));
    QThread::msleep(ms);
    qint64 used = 0;
    for (qint64 pid : processTree(process.processId()))
        used += cpuMs(pid) - before.value(pid, 0);
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(15000))
        process.kill();
    process.waitForFinished(5000);
    return used;
}

QString percent(qint64 cpu, int ms)
{
    return QString::number(100.0 * double(cpu) / double(ms), 'f', 2) + QStringLiteral(" %");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && qstrcmp(argv[1], "--player") == 0)
        return runPlayer(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 30;
    const int ms = seconds * 1000;
    QTextStream out(stdout);
    const QString mpv = QStandardPaths::findExecutable(QStringLiteral("mpv"));
    if (mpv.isEmpty()) {
        out << "mpv is not installed (scripts/install-deps.sh installs it)\n";
        return 1;
    }

    QTemporaryDir home;
    const QString song = home.filePath(QStringLiteral("song.mp3"));
    // A stereo song at a common rate, long enough to outlast the measurement.
    const int made = QProcess::execute(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-loglevel"),
         QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("sine=frequency=440:duration=%1").arg(seconds + 30), QStringLiteral("-ac"),
         QStringLiteral("2"), QStringLiteral("-ar"), QStringLiteral("44100"), QStringLiteral("-b:a"),
         QStringLiteral("192k"), song});
    if (made != 0) {
        out << "ffmpeg could not make the test song\n";
        return 1;
    }

    const QProcessEnvironment env = benchEnvironment(home.path());

    QProcess player;
    player.setProcessEnvironment(env);
    player.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--player"), song});
    const qint64 playerCpu = treeCpuMs(player, "playing", ms);

    QProcess reference;
    reference.setProcessEnvironment(env);
    reference.start(mpv, {QStringLiteral("--ao=null"), QStringLiteral("--no-video"),
                          QStringLiteral("--really-quiet"), QStringLiteral("--no-config"), song});
    const qint64 mpvCpu = treeCpuMs(reference, QByteArray(), ms);

    out << "CPU while playing for " << seconds << " s (whole process tree): player " << percent(playerCpu, ms)
        << ", mpv --ao=null " << percent(mpvCpu, ms);
    if (mpvCpu > 0)
        out << ", ratio " << QString::number(double(playerCpu) / double(mpvCpu), 'f', 2);
    out << "\n";
    return 0;
}
