// Settings access (MyIni), the day's log, the download settings and the enciphered files.
#include "services/core/DailyLog.h"
#include "services/core/EncipheredFile.h"
#include "services/core/Globals.h"
#include "services/core/MyIni.h"
#include "services/core/ProgramHelpers.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <vector>

class TestSettingsLog : public QObject
{
    Q_OBJECT

private:
    QString todaysLog() const { return g_sLogDir + "/" + QDate::currentDate().toString("yyyyMMdd") + ".log"; }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        g_sLogDir = m_dir.path() + "/logs";
        QVERIFY(QDir().mkpath(g_sLogDir));
    }

    void myIniRoundTrips_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "AutoPlay"
                               << "1";
        QTest::newRow("grouped key") << "bk/bkimage"
                                     << ":/skin/1.png";
        QTest::newRow("chinese") << "nameformat"
                                 << "歌手 - 歌名";
        QTest::newRow("ini syntax in the value") << "odd"
                                                 << "a=b;c,[d]\"e\"";
        QTest::newRow("empty value") << "empty"
                                     << "";
    }
    void myIniRoundTrips()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString path = m_dir.filePath("configu.ini");
        MyIni writer(nullptr, path);
        writer.setValue(key, value);
        // A second object on the same file sees the value: nothing stays cached or open.
        MyIni reader(nullptr, path);
        QCOMPARE(reader.value(key), value);
    }

    void myIniMissingKeyOrFileIsEmpty()
    {
        MyIni missingFile(nullptr, m_dir.filePath("nothing/here.ini"));
        QCOMPARE(missingFile.value("AutoPlay"), QString());
        MyIni ini(nullptr, m_dir.filePath("configu.ini"));
        ini.setValue("a", "1");
        QCOMPARE(ini.value("b"), QString());
        QVERIFY(ini.value("b").isEmpty());
    }

    void logEntriesGoToTodaysFile()
    {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QString key = g_logKey("PlayError");
        QVERIFY(key.startsWith("PlayError"));
        const qint64 stamp = key.mid(9).toLongLong();
        QVERIFY(stamp >= before && stamp <= QDateTime::currentMSecsSinceEpoch());

        SetTodayLog(key, "1001");
        SetTodayLog("Version", "1.0.0", true);
        QSettings log(todaysLog(), QSettings::IniFormat);
        QCOMPARE(log.value(key).toString(), QStringLiteral("1001"));
        const QString versioned = log.value("Version").toString();
        QVERIFY2(QRegularExpression("^1\\.0\\.0--------\\d\\d:\\d\\d:\\d\\d$").match(versioned).hasMatch(),
                 qPrintable(versioned));
        // The same key again replaces the value.
        SetTodayLog(key, "1002");
        QSettings again(todaysLog(), QSettings::IniFormat);
        QCOMPARE(again.value(key).toString(), QStringLiteral("1002"));
    }

    void exceptionEntriesCarryTheSignature()
    {
        g_writeExceptionLog("void MainWindow::updateTime()", "---note");
        QSettings log(todaysLog(), QSettings::IniFormat);
        const QStringList keys = log.allKeys().filter(QRegularExpression("^YiChang\\d+$"));
        QCOMPARE(keys.size(), 1);
        QCOMPARE(log.value(keys.first()).toString(), QStringLiteral("void MainWindow::updateTime()---note"));
    }

    void withoutALogFolderNothingIsWritten()
    {
        g_sLogDir.clear();
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        SetTodayLog("YiChang1", "x");
        QDir::setCurrent(cwd);
        const QString name = QDate::currentDate().toString("yyyyMMdd") + ".log";
        QVERIFY(!QFile::exists(m_dir.filePath(name)));
        QVERIFY(!QFile::exists("/" + name));
    }

    void threadsShareTheLogLock()
    {
        // Entries from several threads at once must all land: without the lock the INI file's
        // read-modify-write cycles lose each other's entries.
        constexpr int threads = 6;
        constexpr int entries = 25;
        std::vector<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers.push_back(QThread::create([t]() {
                for (int i = 0; i < entries; ++i)
                    SetTodayLog(QStringLiteral("T%1_%2").arg(t).arg(i), QString::number(i));
            }));
            workers.back()->start();
        }
        for (QThread *worker : workers) {
            QVERIFY(worker->wait(60000));
            delete worker;
        }
        QSettings log(todaysLog(), QSettings::IniFormat);
        QCOMPARE(log.allKeys().filter(QRegularExpression("^T\\d_\\d+$")).size(), threads * entries);
    }

    void listsLogFiles()
    {
        QTemporaryDir folder;
        for (const char *name : {"20150301.log", "20150302.log", "notes.txt", "x.log.bak", ".hidden.log"}) {
            QFile file(folder.path() + "/" + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QStringList names = g_getLogFiles(folder.path(), false);
        names.sort();
        QCOMPARE(names, QStringList({"20150301.log", "20150302.log"}));
        QStringList paths = g_getLogFiles(folder.path(), true);
        paths.sort();
        QCOMPARE(paths.first(), folder.path() + "/20150301.log");
        QVERIFY(g_getLogFiles(m_dir.filePath("missing"), true).isEmpty());
    }

    void rawLogWithoutAFileFails()
    {
        QVERIFY(!g_hLogFile);
        QVERIFY(!g_writelog("quit"));
    }

    void downloadSettings_data()
    {
        QTest::addColumn<QString>("nameFormat"); // "-" = missing
        QTest::addColumn<QString>("downCount");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("maxDownloads");
        QTest::newRow("nothing stored") << "-"
                                        << "-" << 0 << 3;
        QTest::newRow("first choices") << "0"
                                       << "0" << 0 << 1;
        QTest::newRow("title first, five") << "1"
                                           << "4" << 1 << 5;
        QTest::newRow("title only") << "2"
                                    << "2" << 2 << 3;
    }
    void downloadSettings()
    {
        QFETCH(QString, nameFormat);
        QFETCH(QString, downCount);
        QFETCH(int, format);
        QFETCH(int, maxDownloads);
        QTemporaryDir data;
        g_sDataDir = data.path();
        {
            QSettings ini(data.filePath("configu.ini"), QSettings::IniFormat);
            if (nameFormat != "-")
                ini.setValue("nameformat", nameFormat);
            if (downCount != "-")
                ini.setValue("downCount", downCount);
        }
        g_nDownNameFormat = -7;
        g_nMaxDownloads = -7;
        g_loadDownloadSettings();
        QCOMPARE(g_nDownNameFormat, format);
        QCOMPARE(g_nMaxDownloads, maxDownloads);
        g_sDataDir.clear();
    }

    void encipheredFileSaves()
    {
        const QString path = m_dir.filePath("asso");
        QString text;
        QVERIFY(g_saveEncipheredFile(path, QStringLiteral("<kvrroot>第一版</kvrroot>")));
        QVERIFY(g_saveEncipheredFile(path, QStringLiteral("<kvrroot/>")));
        QCOMPARE(g_loadEncipheredFile(path, &text), EncipheredFileState::Ok);
        QCOMPARE(text, QStringLiteral("<kvrroot/>"));

        // A folder in the file's place: the save says why and the folder stays.
        const QString folder = m_dir.filePath("taken");
        QVERIFY(QDir().mkpath(folder + "/inside"));
        QString error;
        QVERIFY(!g_saveEncipheredFile(folder, QStringLiteral("x"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(folder + "/inside").isDir());
    }

    // Compressed without integrity data, claiming 0xF0000012 plain bytes: a damaged file like
    // any other, moved aside and replaced by a new document, not a 4 GiB allocation.
    void encipheredFileClaimingGigabytes()
    {
        const QByteArray damaged("AwFtAz9llOjtvtE=");
        const QString path = m_dir.filePath("s");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(damaged), damaged.size());
        }
        QString text;
        QCOMPARE(g_loadEncipheredFile(path, &text), EncipheredFileState::Undecipherable);
        QVERIFY(text.isEmpty());

        QDomDocument doc;
        QVERIFY(g_openEncipheredXml(path, "kvrroot", "singerRoot", &doc));
        QVERIFY(!doc.documentElement().firstChildElement("singerRoot").isNull());
        const QStringList aside = QDir(m_dir.path()).entryList({"s.broken-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(m_dir.filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);
        QCOMPARE(g_loadEncipheredFile(path, &text), EncipheredFileState::Ok);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsLog)
#include "tst_settingslog.moc"
