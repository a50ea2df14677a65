// The folder manager: the folders it reads and makes, the fallback when the cache cannot be made,
// what it saves, where it looks for downloaded songs, and its place as the services' folder seam.
#include "settings/CDManager.h"

#include "services/core/Globals.h"
#include "services/core/SafeFileName.h"
#include "services/seams/FixedFolderSeam.h"
#include "services/seams/Seam.h"
#include "settings/FolderDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestCDManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sSavedDataDir;

    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    QString iniPath() const { return dataDir() + QStringLiteral("/configu.ini"); }
    QString fallbackBase() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
               QStringLiteral("/lanyun_music_temp");
    }
    void store(const QList<std::pair<QLatin1StringView, QString>> &values) const
    {
        QSettings ini(iniPath(), QSettings::IniFormat);
        for (const auto &[key, value] : values)
            ini.setValue(key, value);
    }
    static void touch(const QString &path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Keeps the cache fallback out of the real user's folders when the suite runs by hand.
        QStandardPaths::setTestModeEnabled(true);
        m_sSavedDataDir = g_sDataDir;
        g_sDataDir = dataDir();
    }

    void cleanupTestCase() { g_sDataDir = m_sSavedDataDir; }

    void init()
    {
        // Every test starts like a first run: an empty data folder and no fallback folders.
        QDir(dataDir()).removeRecursively();
        QDir(fallbackBase()).removeRecursively();
        QVERIFY(QDir().mkpath(dataDir()));
        QVERIFY(!Seam<FolderSeam>::installed());
    }

    void cleanup()
    {
        g_setFolderSeam(nullptr);
        QDir(fallbackBase()).removeRecursively();
    }

    void firstStartUsesDataFolderDefaults()
    {
        CDManager manager;
        QCOMPARE(manager.m_sCacheDir, dataDir() + QStringLiteral("/vyosong"));
        QCOMPARE(manager.m_sDownDir, dataDir() + QStringLiteral("/vyosong/"));
        QCOMPARE(manager.m_sLrcDir, dataDir() + QStringLiteral("/vyolrc"));
        QVERIFY(QFileInfo(dataDir() + QStringLiteral("/vyosong")).isDir());
        QVERIFY(QFileInfo(dataDir() + QStringLiteral("/vyolrc")).isDir());

        QCOMPARE(manager.m_sLrcPlayed, QStringLiteral("244,227,154,255,244,227,154,255,199,188,31,255"));
        QCOMPARE(manager.m_sLrcRemain, QStringLiteral("174,212,235,255,68,141,218,255,22,97,174,255"));
        QCOMPARE(manager.m_sLrcFont, QStringLiteral("幼圆"));
        QCOMPARE(manager.m_nLrcFontSize, 32);
        QCOMPARE(manager.m_nLrcOffset, 100);

        // Reading is not saving: the file stays as it was until saveSetting.
        QVERIFY(!QSettings(iniPath(), QSettings::IniFormat).contains(FolderKeys::kCacheDir));
    }

    void storedValuesAreKeptAndFoldersMade()
    {
        const QString root = m_dir.filePath(QStringLiteral("stored"));
        // An older file may carry "\" separators; the folders are still made where they point.
        store({{FolderKeys::kCacheDir, root + QStringLiteral("\\cache")},
               {FolderKeys::kDownDir, root + QStringLiteral("/down\\")},
               {FolderKeys::kLrcDir, root + QStringLiteral("/deep/lrc")},
               {LrcStyleKeys::kPlayed, QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12")},
               {LrcStyleKeys::kRemain, QStringLiteral("12,11,10,9,8,7,6,5,4,3,2,1")},
               {LrcStyleKeys::kFont, QStringLiteral("Noto Sans")},
               {LrcStyleKeys::kFontSize, QStringLiteral("41")},
               {LrcStyleKeys::kOffset, QStringLiteral("977")}});

        CDManager manager;
        QCOMPARE(manager.m_sCacheDir, root + QStringLiteral("\\cache"));
        QCOMPARE(manager.m_sDownDir, root + QStringLiteral("/down\\"));
        QCOMPARE(manager.m_sLrcDir, root + QStringLiteral("/deep/lrc"));
        QCOMPARE(manager.m_sLrcPlayed, QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12"));
        QCOMPARE(manager.m_sLrcRemain, QStringLiteral("12,11,10,9,8,7,6,5,4,3,2,1"));
        QCOMPARE(manager.m_sLrcFont, QStringLiteral("Noto Sans"));
        QCOMPARE(manager.m_nLrcFontSize, 41);
        QCOMPARE(manager.m_nLrcOffset, 977);

        for (const char *folder : {"cache", "down", "deep/lrc"})
            QVERIFY2(QFileInfo(root + QLatin1Char('/') + QLatin1String(folder)).isDir(), folder);
        QVERIFY(!QFileInfo::exists(root + QStringLiteral("\\cache")));

        // The services get "/" separators and no trailing separator.
        QCOMPARE(manager.getCacheDir(), root + QStringLiteral("/cache"));
        QCOMPARE(manager.getDownDir(), root + QStringLiteral("/down"));
        QCOMPARE(manager.getLrcDir(), root + QStringLiteral("/deep/lrc"));
    }

    void emptyFolderValuesTakeTheDefaults()
    {
        const QString cache = m_dir.filePath(QStringLiteral("setcache"));
        store({{FolderKeys::kCacheDir, cache},
               {FolderKeys::kDownDir, QString()},
               {FolderKeys::kLrcDir, QString()}});
        CDManager manager;
        QCOMPARE(manager.m_sCacheDir, cache);
        QCOMPARE(manager.m_sDownDir, dataDir() + QStringLiteral("/vyosong/"));
        QCOMPARE(manager.m_sLrcDir, dataDir() + QStringLiteral("/vyolrc"));
        QVERIFY(QFileInfo(dataDir() + QStringLiteral("/vyolrc")).isDir());
    }

    void cacheFolderThatCannotBeMadeMovesAllThree()
    {
        // A regular file where a parent folder should be: mkpath fails even for root.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        touch(blocker);
        const QString fine = m_dir.filePath(QStringLiteral("fine"));
        store({{FolderKeys::kCacheDir, blocker + QStringLiteral("/cache")},
               {FolderKeys::kDownDir, fine + QStringLiteral("/down/")},
               {FolderKeys::kLrcDir, fine + QStringLiteral("/lrc")},
               {LrcStyleKeys::kFontSize, QStringLiteral("40")}});

        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("Failed to create directory .*blocker/cache/")));
        {
            CDManager manager;
            QCOMPARE(manager.m_sCacheDir, fallbackBase() + QStringLiteral("/temp"));
            QCOMPARE(manager.m_sDownDir, fallbackBase() + QStringLiteral("/"));
            QCOMPARE(manager.m_sLrcDir, fallbackBase() + QStringLiteral("/lrc"));
            QVERIFY(QFileInfo(fallbackBase() + QStringLiteral("/temp")).isDir());
            QVERIFY(QFileInfo(fallbackBase() + QStringLiteral("/lrc")).isDir());
            QCOMPARE(manager.getDownDir(), fallbackBase());
            QCOMPARE(manager.m_nLrcFontSize, 40);
        }

        // Saved at once, so the next start goes straight to the new folders; nothing else written.
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(), fallbackBase() + QStringLiteral("/temp"));
        QCOMPARE(ini.value(FolderKeys::kDownDir).toString(), fallbackBase() + QStringLiteral("/"));
        QCOMPARE(ini.value(FolderKeys::kLrcDir).toString(), fallbackBase() + QStringLiteral("/lrc"));
        QVERIFY(!ini.contains(LrcStyleKeys::kPlayed));
        CDManager next;
        QCOMPARE(next.m_sCacheDir, fallbackBase() + QStringLiteral("/temp"));
    }

    void downloadOrLyricFolderFailureOnlyLogs()
    {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        touch(blocker);
        const QString cache = m_dir.filePath(QStringLiteral("okcache"));
        store({{FolderKeys::kCacheDir, cache},
               {FolderKeys::kDownDir, blocker + QStringLiteral("/down/")},
               {FolderKeys::kLrcDir, blocker + QStringLiteral("/lrc")}});

        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("Failed to create directory .*blocker/down/$")));
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("Failed to create directory .*blocker/lrc/$")));
        CDManager manager;
        QCOMPARE(manager.m_sCacheDir, cache);
        QCOMPARE(manager.m_sDownDir, blocker + QStringLiteral("/down/"));
        QCOMPARE(manager.m_sLrcDir, blocker + QStringLiteral("/lrc"));
        QVERIFY(!QFileInfo::exists(fallbackBase()));
        QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value(FolderKeys::kCacheDir).toString(), cache);
    }

    void saveSettingWritesEveryValue()
    {
        {
            CDManager manager;
            manager.m_sCacheDir = m_dir.filePath(QStringLiteral("c"));
            manager.m_sDownDir = m_dir.filePath(QStringLiteral("d/"));
            manager.m_sLrcDir = m_dir.filePath(QStringLiteral("l"));
            manager.m_sLrcPlayed = QStringLiteral("0,0,0,255,0,0,0,255,0,0,0,255");
            manager.m_sLrcRemain = QStringLiteral("9,9,9,9,9,9,9,9,9,9,9,9");
            manager.m_sLrcFont = QStringLiteral("宋体");
            manager.m_nLrcFontSize = 27;
            manager.m_nLrcOffset = 640;
            manager.saveSetting();
        }

        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(), m_dir.filePath(QStringLiteral("c")));
        QCOMPARE(ini.value(FolderKeys::kDownDir).toString(), m_dir.filePath(QStringLiteral("d/")));
        QCOMPARE(ini.value(FolderKeys::kLrcDir).toString(), m_dir.filePath(QStringLiteral("l")));
        QCOMPARE(ini.value(LrcStyleKeys::kPlayed).toString(),
                 QStringLiteral("0,0,0,255,0,0,0,255,0,0,0,255"));
        QCOMPARE(ini.value(LrcStyleKeys::kRemain).toString(), QStringLiteral("9,9,9,9,9,9,9,9,9,9,9,9"));
        QCOMPARE(ini.value(LrcStyleKeys::kFont).toString(), QStringLiteral("宋体"));
        QCOMPARE(ini.value(LrcStyleKeys::kFontSize).toInt(), 27);
        QCOMPARE(ini.value(LrcStyleKeys::kOffset).toInt(), 640);
        QCOMPARE(ini.value(LrcStyleKeys::kFontSizeCopy).toInt(), 27);
        // The other restore copies are the main window's (or nobody's) to write.
        for (const QLatin1StringView key : {LrcStyleKeys::kPlayedCopy, LrcStyleKeys::kRemainCopy,
                                            LrcStyleKeys::kFontCopy, LrcStyleKeys::kOffsetCopy})
            QVERIFY2(!ini.contains(key), key.data());

        // And the next start reads back what was saved.
        CDManager next;
        QCOMPARE(next.m_sLrcFont, QStringLiteral("宋体"));
        QCOMPARE(next.m_nLrcOffset, 640);
        QCOMPARE(next.m_sDownDir, m_dir.filePath(QStringLiteral("d/")));
    }

    void findDownloadedSong_data()
    {
        QTest::addColumn<QStringList>("present"); // file names made in the download folder
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("singer");
        QTest::addColumn<QString>("expected"); // file name found, "" for none

        QTest::newRow("singer first wins") << QStringList{"S - T.mp3", "T - S.mp3"} << "T"
                                           << "S"
                                           << "S - T.mp3";
        QTest::newRow("title first when alone") << QStringList{"T - S.mp3"} << "T"
                                                << "S"
                                                << "T - S.mp3";
        QTest::newRow("title alone is not found") << QStringList{"T.mp3"} << "T"
                                                  << "S"
                                                  << "";
        QTest::newRow("nothing") << QStringList{} << "T"
                                 << "S"
                                 << "";
        QTest::newRow("other extension") << QStringList{"S - T.wma"} << "T"
                                         << "S"
                                         << "";
        QTest::newRow("unicode names") << QStringList{"周 - 晴天.mp3"} << "晴天"
                                       << "周"
                                       << "周 - 晴天.mp3";
        // Names from song data are made safe exactly as the downloads make them.
        QTest::newRow("slash in title") << QStringList{"AC_DC - Back.mp3"} << "Back"
                                        << "AC/DC"
                                        << "AC_DC - Back.mp3";
    }

    void findDownloadedSong()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, title);
        QFETCH(QString, singer);
        QFETCH(QString, expected);

        CDManager manager;
        const QString folder = dataDir() + QStringLiteral("/vyosong");
        for (const QString &name : present)
            touch(folder + QLatin1Char('/') + name);

        const QString found = manager.findDownloadedSong(title, singer);
        if (expected.isEmpty()) {
            QCOMPARE(found, QString());
        } else {
            QVERIFY(QFileInfo(found).isFile());
            QCOMPARE(QFileInfo(found).canonicalFilePath(),
                     QFileInfo(folder + QLatin1Char('/') + expected).canonicalFilePath());
        }
    }

    void findDownloadedSongKeepsTheFolderForm()
    {
        CDManager manager;
        const QString folder = m_dir.filePath(QStringLiteral("songs"));
        touch(folder + QStringLiteral("/S - T.mp3"));

        // A folder saved with a trailing separator (the default form) still finds the file.
        manager.m_sDownDir = folder + QStringLiteral("\\");
        QCOMPARE(manager.findDownloadedSong(QStringLiteral("T"), QStringLiteral("S")),
                 folder + QStringLiteral("//S - T.mp3"));
        manager.m_sDownDir = folder;
        QCOMPARE(manager.findDownloadedSong(QStringLiteral("T"), QStringLiteral("S")),
                 folder + QStringLiteral("/S - T.mp3"));

        // No download folder: never look in the root or the working folder instead.
        manager.m_sDownDir.clear();
        QCOMPARE(manager.findDownloadedSong(QStringLiteral("T"), QStringLiteral("S")), QString());
    }

    void findDownloadedSongStaysInTheFolder()
    {
        CDManager manager;
        const QString folder = m_dir.filePath(QStringLiteral("jail/down"));
        manager.m_sDownDir = folder + QLatin1Char('/');
        QVERIFY(QDir().mkpath(folder));

        // Files where a raw join of the hostile names would lead: outside the folder.
        const QString title = QStringLiteral("../../outside");
        const QString singer = QStringLiteral("x");
        touch(m_dir.filePath(QStringLiteral("outside - x.mp3")));
        // "x - ../../outside.mp3" would climb out of a folder named "x - .." back into the folder.
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/x - ..")));
        touch(folder + QStringLiteral("/outside.mp3"));
        QCOMPARE(manager.findDownloadedSong(title, singer), QString());

        // A folder named like the song is no song.
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/x - T.mp3")));
        QCOMPARE(manager.findDownloadedSong(QStringLiteral("T"), singer), QString());

        // The safe name the downloads would have saved is found, inside the folder.
        const QString safe = folder + QLatin1Char('/') +
                             g_safeFileName(title + QStringLiteral(" - ") + singer, QStringLiteral(".mp3"));
        touch(safe);
        const QString found = manager.findDownloadedSong(title, singer);
        QCOMPARE(QFileInfo(found).canonicalFilePath(), QFileInfo(safe).canonicalFilePath());
        QCOMPARE(QFileInfo(found).canonicalPath(), QFileInfo(folder).canonicalFilePath());
    }

    void installsAndRemovesItselfAsFolderSeam()
    {
        {
            CDManager manager;
            QCOMPARE(g_folderSeam(), static_cast<FolderSeam *>(&manager));
            QCOMPARE(g_folderSeam()->getDownDir(), dataDir() + QStringLiteral("/vyosong"));
            // The services see a change of the member at once.
            manager.m_sLrcDir = QStringLiteral("/x/y\\z/");
            QCOMPARE(g_folderSeam()->getLrcDir(), QStringLiteral("/x/y/z"));
            manager.m_sLrcDir = QStringLiteral("/");
            QCOMPARE(g_folderSeam()->getLrcDir(), QStringLiteral("/"));
        }
        QVERIFY(!Seam<FolderSeam>::installed());

        // A seam installed after the manager is not the manager's to remove.
        FixedFolderSeam other;
        {
            CDManager manager;
            g_setFolderSeam(&other);
        }
        QCOMPARE(Seam<FolderSeam>::installed(), static_cast<FolderSeam *>(&other));
    }

    void globalClearedWhenItsManagerGoes()
    {
        QVERIFY(!CD_MANAGER);
        auto *manager = new CDManager;
        CD_MANAGER = manager;
        delete manager;
        QVERIFY(!CD_MANAGER);
    }
};

QTEST_GUILESS_MAIN(TestCDManager)
#include "tst_cdmanager.moc"
