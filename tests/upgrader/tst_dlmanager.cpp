// The upgrader's ranged downloader, in-process against the fake web service: the ranges it
// asks for, the package it writes and what it records or removes.

#include "FakeWebService.h"
#include "platform/UpdateShared.h"
#include "upgrader/Upgrader.h"
#include "upgrader/dlManager.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kvrupdate;

class TestDlManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void downloadsWhole_data();
    void downloadsWhole();
    void failsOnceAndRemoves_data();
    void failsOnceAndRemoves();

private:
    // Runs the download to its end in the application's own event loop, which the manager
    // quits; returns the loop's result.
    int runDownload(dlManager &manager, const QUrl &url, int parts);
    QString packagePath() const { return privateFolder() + QStringLiteral("/updpkg"); }
    QVariant installValue(const QString &key) const;

    FakeWebService m_fake;
    QTemporaryDir m_install;
    QByteArray m_data;
};

void TestDlManager::initTestCase()
{
    QVERIFY(m_install.isValid());
    QVERIFY(m_fake.start(false));
    // 1000 bytes in which every offset differs from its neighbours, so a misplaced part shows.
    for (int i = 0; i < 1000; ++i)
        m_data.append(char((i * 7 + i / 256) & 0xFF));
}

void TestDlManager::init()
{
    m_fake.clearAnswers();
    m_fake.clearFaults();
    m_fake.clearRequests();
    QFile::remove(packagePath());
    QFile::remove(privateFolder() + QStringLiteral("/config.ini"));
    QSettings install(m_install.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    install.clear();
    install.setValue(QStringLiteral("softver1"), QStringLiteral("old"));
    install.setValue(QStringLiteral("selfupdate"), QStringLiteral("old"));
    install.setValue(QStringLiteral("upd"), QStringLiteral("old"));
}

int TestDlManager::runDownload(dlManager &manager, const QUrl &url, int parts)
{
    manager.m_sServerVer = QStringLiteral("1.0.1");
    manager.m_sSelfUp = QStringLiteral("yes");
    manager.m_sInstallDir = m_install.path();
    connect(&manager, &dlManager::FiledownloadFinished, &manager, &dlManager::dlFinished);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(30000);
    manager.StartFiledownload(url, parts);
    return QCoreApplication::exec();
}

QVariant TestDlManager::installValue(const QString &key) const
{
    return QSettings(m_install.filePath(QStringLiteral("config.ini")), QSettings::IniFormat).value(key);
}

void TestDlManager::downloadsWhole_data()
{
    QTest::addColumn<int>("parts");
    QTest::addColumn<QStringList>("ranges");
    QTest::newRow("one part, no Range") << 1 << QStringList{QString()};
    // Neighbouring parts overlap by a byte and the last asks one past the end.
    QTest::newRow("two parts") << 2
                               << QStringList{QStringLiteral("Bytes=0-500"),
                                              QStringLiteral("Bytes=499-1000")};
}

void TestDlManager::downloadsWhole()
{
    QFETCH(int, parts);
    QFETCH(QStringList, ranges);
    m_fake.serveFile(FakeHost::Files, QStringLiteral("/pkg/vyo.bin"), m_data);

    dlManager manager;
    manager.m_nTotalSize = m_data.size();
    QSignalSpy reports(&manager, &dlManager::FiledownloadFinished);
    const QUrl url(m_fake.baseUrl(FakeHost::Files) + QStringLiteral("/pkg/vyo.bin"));
    QCOMPARE(runDownload(manager, url, parts), 0);

    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.at(0).at(0).toBool(), true);
    QStringList sent;
    const QList<FakeRequest> requests = m_fake.requestsTo(FakeHost::Files, QStringLiteral("/pkg/vyo.bin"));
    for (const FakeRequest &r : requests)
        sent << QString::fromLatin1(r.header("Range"));
    sent.sort();
    QCOMPARE(sent, ranges);

    QFile package(packagePath());
    QVERIFY(package.open(QIODevice::ReadOnly));
    QCOMPARE(package.readAll(), m_data);
    QCOMPARE(installValue(QStringLiteral("softver1")).toString(), QStringLiteral("1.0.1"));
    QCOMPARE(installValue(QStringLiteral("selfupdate")).toString(), QStringLiteral("yes"));
    QCOMPARE(installValue(QStringLiteral("upd")).toString(), QDate::currentDate().toString(u"yyyyMMdd"));
    const QSettings temp(privateFolder() + QStringLiteral("/config.ini"), QSettings::IniFormat);
    QCOMPARE(temp.value(QStringLiteral("upd")).toString(), QDate::currentDate().toString(u"yyyy-MM-dd"));
}

void TestDlManager::failsOnceAndRemoves_data()
{
    QTest::addColumn<int>("parts");
    // 0 error status, 1 connection cut, 2 Range ignored, 3 size, 4 not web, 5 wrong range, 6 no size
    QTest::addColumn<int>("fault");
    QTest::addColumn<qint64>("announced");
    QTest::newRow("one part, error status") << 1 << 0 << qint64(1000);
    QTest::newRow("two parts, cut off") << 2 << 1 << qint64(1000);
    QTest::newRow("two parts, Range ignored") << 2 << 2 << qint64(1000);
    QTest::newRow("one part, shorter than announced") << 1 << 3 << qint64(1200);
    QTest::newRow("one part, longer than announced") << 1 << 3 << qint64(600);
    QTest::newRow("not a web address") << 1 << 4 << qint64(1000);
    // Right length, wrong bytes: only the answer's own range shows it.
    QTest::newRow("two parts, first range for both") << 2 << 5 << qint64(1000);
    // An answer without a usable size: an empty package must not pass as complete.
    QTest::newRow("no size, empty file") << 1 << 6 << qint64(0);
}

void TestDlManager::failsOnceAndRemoves()
{
    QFETCH(int, parts);
    QFETCH(int, fault);
    QFETCH(qint64, announced);
    const QString path = QStringLiteral("/pkg/vyo.bin");
    QUrl url(m_fake.baseUrl(FakeHost::Files) + path);
    switch (fault) {
    case 0:
        m_fake.serveFile(FakeHost::Files, path, m_data);
        m_fake.setFault(FakeHost::Files, path, FakeFault::errorStatus(404, "<html>gone</html>"));
        break;
    case 1:
        m_fake.serveFile(FakeHost::Files, path, m_data);
        // Every request: Qt sends a request again on its own when the connection closes early,
        // so a cut that spares the repeat would not reach the downloader at all.
        m_fake.setFault(FakeHost::Files, path, FakeFault::cutAfter(300));
        break;
    case 2:
        // A server that answers every request with the whole file.
        m_fake.setAnswer(FakeHost::Files, path, FakeAnswer::bytes(m_data, "application/octet-stream"));
        break;
    case 3:
        m_fake.serveFile(FakeHost::Files, path, m_data);
        break;
    case 4:
        url = QUrl::fromLocalFile(m_install.filePath(QStringLiteral("config.ini")));
        break;
    case 5: {
        FakeAnswer first = FakeAnswer::bytes(m_data.left(501), "application/octet-stream", 206);
        first.headers << qMakePair(QByteArray("Content-Range"), QByteArray("bytes 0-500/1000"));
        m_fake.setAnswer(FakeHost::Files, path, first);
        break;
    }
    case 6:
        m_fake.setAnswer(FakeHost::Files, path, FakeAnswer::bytes(QByteArray(), "application/octet-stream"));
        break;
    }

    dlManager manager;
    manager.m_nTotalSize = announced;
    QSignalSpy reports(&manager, &dlManager::FiledownloadFinished);
    QCOMPARE(runDownload(manager, url, parts), int(ExitFailed));

    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.at(0).at(0).toBool(), false);
    QVERIFY(!QFile::exists(packagePath()));
    for (const char16_t *key : {u"softver1", u"selfupdate", u"upd"})
        QCOMPARE(installValue(QString::fromUtf16(key)).toString(), QStringLiteral("old"));
    QVERIFY(!QFile::exists(privateFolder() + QStringLiteral("/config.ini")));
}

QTEST_MAIN(TestDlManager)
#include "tst_dlmanager.moc"
