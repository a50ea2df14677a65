// Process helpers, on processes the test starts itself: a copy of `sleep` under a name no
// other program uses.

#include "KvrTry.h"
#include "kvrutil/kvrutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsAndEnds();
    void endsOneOfTwo();
    void nothingToEnd();
    void ignoresTermination();

private:
    QProcess *startSleeper(const QString &program);
    QTemporaryDir m_dir;
    QString m_sleeper;
};

void TestProcess::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_sleeper = m_dir.filePath(QStringLiteral("KvrSleeperTest"));
    QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), m_sleeper));
    QFile::setPermissions(m_sleeper, QFile::permissions(m_sleeper) | QFile::ExeOwner);
}

QProcess *TestProcess::startSleeper(const QString &program)
{
    auto *process = new QProcess(this);
    process->start(program, {QStringLiteral("30")});
    if (!process->waitForStarted())
        return nullptr;
    return process;
}

void TestProcess::findsAndEnds()
{
    QCOMPARE(IsProcessRunning(QStringLiteral("KvrSleeperTest")), 0);
    QProcess *p = startSleeper(m_sleeper);
    QVERIFY(p);
    QCOMPARE(IsProcessRunning(QStringLiteral("KvrSleeperTest")), 1);
    QCOMPARE(IsProcessRunning(QStringLiteral("kvrsleepertest")), 1); // letter case ignored
    QCOMPARE(IsProcessRunning(QStringLiteral("KvrSleeper")), 0);     // whole names only

    QCOMPARE(TermProcess(QStringLiteral("KVRSLEEPERTEST")), 1);
    QVERIFY(p->waitForFinished(5000));
    QCOMPARE(IsProcessRunning(QStringLiteral("KvrSleeperTest")), 0);
}

void TestProcess::endsOneOfTwo()
{
    QProcess *a = startSleeper(m_sleeper);
    QProcess *b = startSleeper(m_sleeper);
    QVERIFY(a && b);
    QCOMPARE(TermProcess(QStringLiteral("KvrSleeperTest")), 1);
    KVR_TRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning,
                                5000);
    QVERIFY(a->state() == QProcess::Running || b->state() == QProcess::Running);
    QCOMPARE(IsProcessRunning(QStringLiteral("KvrSleeperTest")), 1);
    QCOMPARE(TermProcess(QStringLiteral("KvrSleeperTest")), 1);
    KVR_TRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning && b->state() == QProcess::NotRunning,
                                5000);
}

void TestProcess::nothingToEnd()
{
    QCOMPARE(TermProcess(QStringLiteral("NoSuchProgramKvr")), 1);
    QCOMPARE(IsProcessRunning(QString()), 0);
    // The test program itself is never a match for its own name.
    QCOMPARE(IsProcessRunning(QFileInfo(QCoreApplication::applicationFilePath()).fileName()), 0);
}

void TestProcess::ignoresTermination()
{
    // A program that ignores the polite request is still ended.
    const QString script = m_dir.filePath(QStringLiteral("KvrStubborn"));
    QVERIFY(QFile::copy(QStringLiteral("/bin/bash"), script));
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
    QProcess p;
    p.start(script, {QStringLiteral("-c"), QStringLiteral("trap '' TERM; while true; do sleep 0.1; done")});
    QVERIFY(p.waitForStarted());
    KVR_TRY_COMPARE(IsProcessRunning(QStringLiteral("KvrStubborn")), 1);
    QCOMPARE(TermProcess(QStringLiteral("KvrStubborn")), 1);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
}

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
