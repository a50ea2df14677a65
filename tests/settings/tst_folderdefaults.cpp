// The first-start folder defaults: which volume the folders go on, and when the keys are written.
#include "settings/FolderDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(QList<FolderVolume>)

namespace {

constexpr qint64 kMiB = qint64(1) << 20;

FolderVolume volume(const QString &root, qint64 bytesFree, bool writable = true, bool userOwned = true)
{
    return FolderVolume{root, bytesFree, writable, userOwned};
}

} // namespace

class TestFolderDefaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("configu.ini")); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(iniPath());
    }

    void chooseFolderRoot_data()
    {
        QTest::addColumn<QList<FolderVolume>>("volumes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no volumes") << QList<FolderVolume>{} << QStringLiteral("<fallback>");
        QTest::newRow("most free wins")
            << QList<FolderVolume>{volume("/a", 10 * kMiB), volume("/b", 30 * kMiB), volume("/c", 20 * kMiB)}
            << QStringLiteral("/b");
        QTest::newRow("tie keeps the earlier")
            << QList<FolderVolume>{volume("/a", 5 * kMiB), volume("/b", 30 * kMiB), volume("/c", 30 * kMiB)}
            << QStringLiteral("/b");
        // Counted in whole MiB: a few spare bytes do not break a tie.
        QTest::newRow("tie in whole MiB")
            << QList<FolderVolume>{volume("/a", 30 * kMiB), volume("/b", 30 * kMiB + kMiB - 1)}
            << QStringLiteral("/a");
        QTest::newRow("less than one MiB counts as full")
            << QList<FolderVolume>{volume("/a", kMiB - 1), volume("/b", 0)} << QStringLiteral("<fallback>");
        QTest::newRow("unknown free space skipped")
            << QList<FolderVolume>{volume("/a", -1), volume("/b", 2 * kMiB)} << QStringLiteral("/b");
        QTest::newRow("not user-owned skipped")
            << QList<FolderVolume>{volume("/", 900 * kMiB, true, false), volume("/media/u/disk", 2 * kMiB)}
            << QStringLiteral("/media/u/disk");
        QTest::newRow("not writable skipped")
            << QList<FolderVolume>{volume("/ro", 900 * kMiB, false, true), volume("/rw", 2 * kMiB)}
            << QStringLiteral("/rw");
        QTest::newRow("only foreign or read-only volumes")
            << QList<FolderVolume>{volume("/", 900 * kMiB, true, false),
                                   volume("/ro", 900 * kMiB, false, true)}
            << QStringLiteral("<fallback>");
    }

    void chooseFolderRoot()
    {
        QFETCH(QList<FolderVolume>, volumes);
        QFETCH(QString, expected);
        const QString fallback = QStringLiteral("/home/u/Music");
        if (expected == QLatin1String("<fallback>"))
            expected = fallback;
        QCOMPARE(g_chooseFolderRoot(volumes, fallback), expected);
    }

    void firstStartWritesAllThree_data()
    {
        QTest::addColumn<QList<FolderVolume>>("volumes");
        QTest::addColumn<QString>("base");

        QTest::newRow("chosen volume") << QList<FolderVolume>{volume("/media/u/disk", 8 * kMiB)}
                                       << QStringLiteral("/media/u/disk/lanyun_music/");
        QTest::newRow("trailing separator dropped") << QList<FolderVolume>{volume("/media/u/disk/", 8 * kMiB)}
                                                    << QStringLiteral("/media/u/disk/lanyun_music/");
        QTest::newRow("no volume: fallback root")
            << QList<FolderVolume>{} << QStringLiteral("/home/u/Music/lanyun_music/");
    }

    void firstStartWritesAllThree()
    {
        QFETCH(QList<FolderVolume>, volumes);
        QFETCH(QString, base);

        g_setDirPathDefaults(iniPath(), volumes, QStringLiteral("/home/u/Music"));

        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(), base + QStringLiteral("temp"));
        QCOMPARE(ini.value(FolderKeys::kDownDir).toString(), base);
        QCOMPARE(ini.value(FolderKeys::kLrcDir).toString(), base + QStringLiteral("lrc"));
        // The folder manager makes the folders when it reads them, not this rule.
        QVERIFY(!QFileInfo::exists(QStringLiteral("/home/u/Music/lanyun_music")));
    }

    void firstStartCreatesNoFolder()
    {
        g_setDirPathDefaults(iniPath(), {volume(m_dir.path(), 8 * kMiB)}, QStringLiteral("/nowhere"));
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(),
                 m_dir.path() + QStringLiteral("/lanyun_music/temp"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("lanyun_music"))));
    }

    void existingCacheDirTouchesNothing()
    {
        {
            QSettings ini(iniPath(), QSettings::IniFormat);
            ini.setValue(FolderKeys::kCacheDir, QStringLiteral("/old/cache"));
            ini.setValue(FolderKeys::kDownDir, QString());
            // lrcdir missing altogether
        }
        g_setDirPathDefaults(iniPath(), {volume("/media/u/disk", 8 * kMiB)}, QStringLiteral("/home/u"));

        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(), QStringLiteral("/old/cache"));
        QCOMPARE(ini.value(FolderKeys::kDownDir).toString(), QString());
        QVERIFY(!ini.contains(FolderKeys::kLrcDir));
    }

    void emptyCacheDirIsFirstStart()
    {
        {
            QSettings ini(iniPath(), QSettings::IniFormat);
            ini.setValue(FolderKeys::kCacheDir, QString());
            ini.setValue(FolderKeys::kDownDir, QStringLiteral("/kept/only/if/cache/set/"));
        }
        g_setDirPathDefaults(iniPath(), {}, QStringLiteral("/home/u"));

        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value(FolderKeys::kCacheDir).toString(), QStringLiteral("/home/u/lanyun_music/temp"));
        QCOMPARE(ini.value(FolderKeys::kDownDir).toString(), QStringLiteral("/home/u/lanyun_music/"));
    }
};

QTEST_GUILESS_MAIN(TestFolderDefaults)
#include "tst_folderdefaults.moc"
