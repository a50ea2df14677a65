// Time from exec to the main window's first paint, and memory after 5 s idle of the
// whole process tree (the player and its WebEngine helpers), side by side with a bare Qt window
// started the same way. Run under an X server (xvfb-run) with the fake service's hosts in
// KVR_HOSTS_INI, or against whatever hosts the installation names.
//   startupbench [runs, default 5]
// With "--bare" the program is the reference window itself.

#include "BenchProcess.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <csignal>

namespace {

// The reference: the smallest frameless Qt window, reporting its first expose the same way.
class BareWindow : public QWidget
{
public:
    explicit BareWindow(const QElapsedTimer &clock)
        : m_clock(clock)
    {
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            QTextStream(stderr) << "started: window shown after " << m_clock.elapsed() << " ms\n";
        }
        return QWidget::event(e);
    }

private:
    const QElapsedTimer &m_clock;
    bool m_reported = false;
};

struct Run
{
    qint64 shownMs = -1;
    qint64 rssKiB = 0;
};

Run measure(const QString &program, const QStringList &args, bool withMemory)
{
    QTemporaryDir home;
    QProcess process;
    const QProcessEnvironment env = benchEnvironment(home.path());
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(program, args);
    QByteArray err;
    Run run;
    while (clock.elapsed() < 60000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(20);
        err += process.readAllStandardError();
        const qsizetype at = err.indexOf("started: window shown after ");
        if (at >= 0 && err.indexOf(" ms", at) > 0) {
            run.shownMs = err.mid(at + 28, err.indexOf(" ms", at) - at - 28).toLongLong();
            break;
        }
    }
    if (withMemory && run.shownMs >= 0) {
        QElapsedTimer idle;
        idle.start();
        while (idle.elapsed() < 5000) {
            process.waitForReadyRead(100);
            process.readAllStandardError();
        }
        run.rssKiB = treePssKiB(process.processId());
    }
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(15000))
        process.kill();
    process.waitForFinished(5000);
    return run;
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--bare") == 0) {
        QElapsedTimer clock;
        clock.start();
        QApplication app(argc, argv);
        BareWindow window(clock);
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.resize(980, 716);
        window.show();
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    const QString player = QStringLiteral(KVR_OUTPUT_DIR) + QStringLiteral("/VyoPlayer");
    const QString self = QCoreApplication::applicationFilePath();

    // One cold start first, so both sides measure a warm cache.
    measure(player, {}, false);
    QList<qint64> bareMs, playerMs;
    qint64 bareRss = 0, playerRss = 0;
    for (int i = 0; i < runs; ++i) {
        const bool last = i == runs - 1;
        const Run bare = measure(self, {QStringLiteral("--bare")}, last);
        const Run full = measure(player, {}, last);
        bareMs << bare.shownMs;
        playerMs << full.shownMs;
        if (last) {
            bareRss = bare.rssKiB;
            playerRss = full.rssKiB;
        }
    }
    QTextStream out(stdout);
    const qint64 bare = median(bareMs);
    const qint64 full = median(playerMs);
    out << "window on screen (median of " << runs << ", ms): bare Qt window " << bare << ", player " << full;
    if (bare > 0)
        out << ", ratio " << QString::number(double(full) / double(bare), 'f', 2);
    out << "\nmemory after 5 s idle, whole process tree, proportional set size (MiB): bare Qt window "
        << QString::number(bareRss / 1024.0, 'f', 1) << ", player "
        << QString::number(playerRss / 1024.0, 'f', 1) << "\n";
    return 0;
}
