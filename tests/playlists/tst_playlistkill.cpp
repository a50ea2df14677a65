// A play queue save killed at a random moment leaves the previous list or the new one, never an
// empty or cut file: a child (playlistsaver) saves two 10,000-row queues in turn and is killed
// with SIGKILL 200 times, each time at a random point of its saves, and after each kill the file
// must decipher to one of the two queues. Four lanes of children run side by side, each lane in a
// folder of its own, to keep the 200 kills within seconds.

#include "KillLists.h"
#include "KvrTestMain.h"

#include "playlists/PlayListFile.h"
#include "services/core/Globals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <memory>
#include <thread>
#include <vector>

namespace {

// What one lane of kills found; checked on the test's thread.
struct LaneResult
{
    QString failure;
    int kills = 0;
    int insideSave = 0;
    int completedSaves = 0;
    int heldOld = 0;
    QStringList leftOver;
    int tempLinks = 0;
};

// Starts a child, which then builds its queues and waits to be let go; null when it did not start.
std::unique_ptr<QProcess> startChild(const QString &folder)
{
    auto child = std::make_unique<QProcess>();
    // Killed children report nothing, and their allocations need no stack traces.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       QStringLiteral("malloc_context_size=0:max_malloc_fill_size=0:detect_leaks=0"));
    child->setProcessEnvironment(environment);
    child->start(QStringLiteral(KVR_PLAYLIST_SAVER), {folder});
    if (!child->waitForStarted(10000))
        return nullptr;
    return child;
}

bool waitUntilReady(QProcess *child)
{
    return child->bytesAvailable() > 0 || child->waitForReadyRead(10000);
}

// Kills the child when it still runs. Never with a pid of 0 or less: kill() would take the whole
// process group, the test and whatever started it.
void killChild(QProcess *child)
{
    const qint64 pid = child->processId();
    if (pid > 0 && child->state() != QProcess::NotRunning)
        ::kill(pid_t(pid), SIGKILL);
    child->waitForFinished(10000);
}

// How long a child takes from being let go to the end of its first save, in milliseconds; 0 when
// it did not get there.
qint64 timeFirstSave(const QString &folder)
{
    std::unique_ptr<QProcess> child = startChild(folder);
    if (!child || !waitUntilReady(child.get()))
        return 0;
    child->readAllStandardOutput();
    QElapsedTimer clock;
    clock.start();
    child->write("A");
    QByteArray said;
    while (!said.contains('c') && !said.contains('e') && clock.elapsed() < 10000 &&
           child->waitForReadyRead(10000))
        said += child->readAllStandardOutput();
    const qint64 ms = said.contains('c') ? std::max<qint64>(clock.elapsed(), 1) : 0;
    killChild(child.get());
    return ms;
}

// One lane: its own folder and children, kills of them in a row, each at a random moment up to
// maxDelayUs after the child was let go. The next child starts while the current one saves, so
// its start-up is not waited for. Runs on a thread of its own, so it deciphers with its own
// cipher object (g_crypt belongs to the test's thread).
LaneResult runLane(const QString &folder, int kills, quint32 seed, int maxDelayUs,
                   const QByteArray &documentA, const QByteArray &documentB)
{
    LaneResult result;
    SimpleCrypt crypt;
    QRandomGenerator random(seed);
    const QString path = folder + QLatin1Char('/') + kPlayQueueList.fileName;
    bool holdsA = true;
    std::unique_ptr<QProcess> child = startChild(folder);
    for (int kill = 0; kill < kills; ++kill) {
        if (!child || !waitUntilReady(child.get())) {
            result.failure = QStringLiteral("a child did not start");
            break;
        }
        child->write(holdsA ? "A" : "B");
        child->waitForBytesWritten(10000);
        std::unique_ptr<QProcess> next = kill + 1 < kills ? startChild(folder) : nullptr;
        QThread::usleep(random.bounded(quint32(maxDelayUs)));
        const bool running = child->state() == QProcess::Running;
        killChild(child.get());
        if (!running || child->exitStatus() != QProcess::CrashExit) {
            result.failure =
                QStringLiteral("a child was not killed: ") + QString::fromLatin1(child->readAll());
            break;
        }
        const QByteArray said = child->readAllStandardOutput();
        if (said.contains('e')) {
            result.failure = QStringLiteral("a save failed");
            break;
        }
        ++result.kills;
        result.insideSave += said.endsWith('s') ? 1 : 0;
        result.completedSaves += int(said.count('c'));

        QFile saved(path);
        const QByteArray plain = saved.open(QIODevice::ReadOnly)
                                     ? crypt.decryptToByteArray(QByteArray::fromBase64(saved.readAll()))
                                     : QByteArray();
        if (plain != documentA && plain != documentB) {
            result.failure = QStringLiteral("kill %1 (seed %2) left %3 bytes of something else in %4")
                                 .arg(kill)
                                 .arg(seed)
                                 .arg(plain.size())
                                 .arg(path);
            break;
        }
        // The old queue, or the new one the child was writing.
        result.heldOld += (plain == documentA) == holdsA ? 1 : 0;
        holdsA = plain == documentA;
        child = std::move(next);
    }
    if (child)
        killChild(child.get());
    // QSaveFile writes an unnamed file, links it to "<name>.XXXXXX" and renames that over the
    // list: a kill between the two leaves the link behind, a whole copy of the new list, which is
    // no harm to the list itself.
    const QRegularExpression link(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(kPlayQueueList.fileName) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    for (const QString &name :
         QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (link.match(name).hasMatch())
            ++result.tempLinks;
        else
            result.leftOver << name;
    }
    return result;
}

} // namespace

class TestPlaylistKill : public QObject
{
    Q_OBJECT

private slots:
    void killedSavesLeaveAWholeList()
    {
        constexpr int kLanes = 4;
        constexpr int kKillsPerLane = 50;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QList<_tag_playlistsonginfo_> a = killlists::queue(QLatin1Char('A'));
        const QList<_tag_playlistsonginfo_> b = killlists::queue(QLatin1Char('B'));
        const QByteArray documentA = PlayListFile::document(killlists::pointers(a), kPlayQueueList);
        const QByteArray documentB = PlayListFile::document(killlists::pointers(b), kPlayQueueList);

        // The lanes start from a saved queue A.
        QStringList folders;
        for (int lane = 0; lane < kLanes; ++lane) {
            folders << dir.filePath(QString::number(lane));
            QVERIFY(QDir().mkpath(folders.last()));
            PlayListFile file(folders.last(), kPlayQueueList);
            QVERIFY(file.save(killlists::pointers(a)));
        }
        // A child's first save, timed alone, sets the range of the kill moments: four of them, as the
        // lanes slow each other down.
        const QString timing = dir.filePath(QStringLiteral("timing"));
        QVERIFY(QDir().mkpath(timing));
        const qint64 saveMs = timeFirstSave(timing);
        QVERIFY(saveMs > 0);
        const quint32 seed = QRandomGenerator::global()->generate();

        QElapsedTimer clock;
        clock.start();
        LaneResult results[kLanes];
        std::vector<std::thread> threads;
        for (int lane = 0; lane < kLanes; ++lane) {
            threads.emplace_back([&, lane] {
                results[lane] = runLane(folders[lane], kKillsPerLane, seed + quint32(lane),
                                        int(saveMs * 4000), documentA, documentB);
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        LaneResult total;
        for (const LaneResult &result : results) {
            QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
            // Nothing but the list and QSaveFile's links is left behind.
            QCOMPARE(result.leftOver, QStringList{kPlayQueueList.fileName});
            total.kills += result.kills;
            total.insideSave += result.insideSave;
            total.completedSaves += result.completedSaves;
            total.heldOld += result.heldOld;
            total.tempLinks += result.tempLinks;
        }
        qInfo("%d kills in %lld ms over %d lanes (one save %lld ms, seed %u): %d inside a save, %d saves "
              "completed; the file held the old queue %d times and the new one %d times; %d kills left a "
              "link",
              total.kills, clock.elapsed(), kLanes, saveMs, seed, total.insideSave, total.completedSaves,
              total.heldOld, total.kills - total.heldOld, total.tempLinks);
        QCOMPARE(total.kills, kLanes * kKillsPerLane);
        // The kills must land inside saves and on both sides of a completed one, or the test
        // proves nothing.
        QVERIFY(total.insideSave >= total.kills / 2);
        QVERIFY(total.heldOld > 0 && total.heldOld < total.kills);
    }
};

KVR_TEST_GUILESS_MAIN(TestPlaylistKill)
#include "tst_playlistkill.moc"
