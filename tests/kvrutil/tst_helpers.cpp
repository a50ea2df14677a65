// File-type association in a temporary HOME, and the small exported helpers.

#include "kvrutil/kvrutil.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString mimeAppsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mimeapps.list");
}

QString readMimeApps()
{
    QFile f(mimeAppsPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString defaultFor(const QString &mime)
{
    bool inDefaults = false;
    const QStringList lines = readMimeApps().split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('[')))
            inDefaults = line == QLatin1String("[Default Applications]");
        else if (inDefaults && line.startsWith(mime + QLatin1Char('=')))
            return line.mid(mime.size() + 1);
    }
    return QString();
}

QString mimeOf(const char *ext)
{
    return QMimeDatabase()
        .mimeTypeForFile(QStringLiteral("a.") + QLatin1String(ext), QMimeDatabase::MatchExtension)
        .name();
}

} // namespace

class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileAssociationSetTwiceAndRestored();
    void fileAssociationRestoreWithoutPrevious();
    void fileAssociationUnwritable();
    void atomicSave();
    void errorPage();
    void roundedRect();
    void randInts_data();
    void randInts();
    void removeAppSource();
    void diskFreeSpace();
};

void TestHelpers::initTestCase()
{
    // run-test.sh gives every test its own HOME; make sure this one is not the user's.
    QVERIFY(QDir::homePath().contains(QLatin1String("kvrtest")));
}

void TestHelpers::fileAssociationSetTwiceAndRestored()
{
    QFile::remove(mimeAppsPath());
    QDir().mkpath(QFileInfo(mimeAppsPath()).absolutePath());
    {
        QFile f(mimeAppsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Default Applications]\n" + mimeOf("mp3").toUtf8() +
                "=oldplayer.desktop\n"
                "text/plain=editor.desktop\n\n[Removed Associations]\nimage/png=viewer.desktop\n");
    }
    const QString exe = QStringLiteral("/opt/澜韵 player/VyoPlayer");
    g_setFileAssoc(true, exe);
    g_setFileAssoc(true, exe); // twice: the backup must still name the old player

    const char *const exts[] = {"mp3", "wav", "wma", "ogg"};
    for (const char *ext : exts)
        QCOMPARE(defaultFor(mimeOf(ext)), QStringLiteral("kvr-vyoplayer.desktop"));
    QVERIFY(readMimeApps().contains(QLatin1String("text/plain=editor.desktop")));
    QVERIFY(readMimeApps().contains(QLatin1String("image/png=viewer.desktop")));

    QFile desktop(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) +
                  QStringLiteral("/kvr-vyoplayer.desktop"));
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    QVERIFY2(entry.contains(QStringLiteral("Exec=\"/opt/澜韵 player/VyoPlayer\" %f")), qPrintable(entry));
    QVERIFY(entry.contains(mimeOf("ogg")));

    g_setFileAssoc(false, exe);
    QCOMPARE(defaultFor(mimeOf("mp3")), QStringLiteral("oldplayer.desktop"));
    for (const char *ext : {"wav", "wma", "ogg"})
        QCOMPARE(defaultFor(mimeOf(ext)), QString()); // nothing was there before
    QVERIFY(readMimeApps().contains(QLatin1String("text/plain=editor.desktop")));
}

void TestHelpers::fileAssociationRestoreWithoutPrevious()
{
    QFile::remove(mimeAppsPath());
    g_setFileAssoc(true, QStringLiteral("/usr/bin/VyoPlayer"));
    // The user picks another player afterwards: switching ours off must leave that choice.
    QString text = readMimeApps();
    text.replace(mimeOf("wav") + QStringLiteral("=kvr-vyoplayer.desktop"),
                 mimeOf("wav") + QStringLiteral("=other.desktop"));
    QFile f(mimeAppsPath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();

    g_setFileAssoc(false, QStringLiteral("/usr/bin/VyoPlayer"));
    QCOMPARE(defaultFor(mimeOf("mp3")), QString());
    QCOMPARE(defaultFor(mimeOf("wav")), QStringLiteral("other.desktop"));
}

void TestHelpers::fileAssociationUnwritable()
{
    // A folder where mimeapps.list belongs: the save fails, says so, and leaves the folder.
    QFile::remove(mimeAppsPath());
    QVERIFY(QDir().mkpath(mimeAppsPath()));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^cannot write .*/mimeapps\\.list ")));
    g_setFileAssoc(false, QStringLiteral("/usr/bin/VyoPlayer"));
    QVERIFY(QFileInfo(mimeAppsPath()).isDir());
    QVERIFY(QDir().rmdir(mimeAppsPath()));
}

void TestHelpers::atomicSave()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("列表.xml"));
    const auto contents = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    };

    QString error;
    QVERIFY(g_saveFileAtomically(path, QByteArray("a longer first version\n"), &error));
    QCOMPARE(contents(), QByteArray("a longer first version\n"));
    QVERIFY(g_saveFileAtomically(path, QByteArray("short"), &error));
    QCOMPARE(contents(), QByteArray("short")); // replaced, nothing of the longer one left
    QVERIFY(g_saveFileAtomically(path, QByteArray()));
    QCOMPARE(contents(), QByteArray());

    // Failures say why and touch nothing.
    const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/file"));
    QVERIFY(!g_saveFileAtomically(missingFolder, QByteArray("x"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(missingFolder));
    const QString folder = dir.filePath(QStringLiteral("a folder"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
    error.clear();
    QVERIFY(!g_saveFileAtomically(folder, QByteArray("x"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/inside")));

    // No temporary file is left beside the target.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("列表.xml")});
}

void TestHelpers::errorPage()
{
    QByteArray buffer(600, 'x');
    QCOMPARE(getErrHtml(buffer.data(), int(buffer.size())), 493);
    QCOMPARE(buffer.at(493), '\0');
    const QByteArray page(buffer.constData());
    QVERIFY(!page.contains('\n'));
    QCOMPARE(page.count("%1"), 1);
    QVERIFY(page.contains("*{ margin:0; padding:0;}body{ background:#f2f2f2;"));
    QVERIFY(page.contains("<div class=\"error\">%1</div>"));

    QByteArray small(493, 'x');
    QCOMPARE(getErrHtml(small.data(), int(small.size())), 0);
    QCOMPARE(small.at(0), '\0');

    const QString filled = getErrHtml(QStringLiteral("<script>alert(1)</script> 网络错误 & %2"));
    QVERIFY(!filled.contains(QLatin1String("<script>")));
    QVERIFY(filled.contains(QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt; 网络错误 &amp; %2")));
}

void TestHelpers::roundedRect()
{
    const QRect rect(10, 20, 100, 60);
    QCOMPARE(g_getRoundedRect(rect, 0), QRegion(rect));

    const QRegion rounded = g_getRoundedRect(rect, 8);
    QCOMPARE(rounded.boundingRect(), rect);
    QVERIFY(!rounded.contains(rect.topLeft()));
    QVERIFY(!rounded.contains(rect.bottomRight()));
    QVERIFY(!rounded.contains(QPoint(rect.right(), rect.top())));
    QVERIFY(rounded.contains(rect.center()));
    QVERIFY(rounded.contains(QPoint(rect.left() + 8, rect.top())));
    QVERIFY(rounded.contains(QPoint(rect.left(), rect.top() + 8)));
}

void TestHelpers::randInts_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("expected");
    QTest::newRow("sparse") << 10 << 100000 << 10;
    QTest::newRow("dense") << 90 << 100 << 90;
    QTest::newRow("whole range") << 7 << 7 << 7;
    QTest::newRow("more than the range holds") << 20 << 5 << 5;
    QTest::newRow("zero count") << 0 << 10 << 0;
    QTest::newRow("negative count") << -3 << 10 << 0;
    QTest::newRow("empty range") << 3 << 0 << 0;
}

void TestHelpers::randInts()
{
    QFETCH(int, count);
    QFETCH(int, range);
    QFETCH(int, expected);
    const QList<int> values = g_getRandInts(count, range);
    QCOMPARE(values.size(), expected);
    QCOMPARE(QSet<int>(values.begin(), values.end()).size(), expected);
    for (int v : values)
        QVERIFY(v >= 0 && v < range);
}

void TestHelpers::removeAppSource()
{
    QTemporaryDir root;
    const QString parent = root.filePath(QStringLiteral("keep/me"));
    const QString target = parent + QStringLiteral("/target");
    QVERIFY(QDir().mkpath(target + QStringLiteral("/sub/deeper")));
    QFile f(target + QStringLiteral("/sub/file.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QFile g(parent + QStringLiteral("/sibling.txt"));
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.close();

    QVERIFY(g_removeAppSource(QFileInfo(target)));
    QVERIFY(!QFileInfo::exists(target));
    QVERIFY(QFileInfo::exists(parent + QStringLiteral("/sibling.txt")));

    // An emptied parent stays too: only the target goes.
    QVERIFY(g_removeAppSource(QFileInfo(parent + QStringLiteral("/sibling.txt"))));
    QVERIFY(QFileInfo(parent).isDir());
    QVERIFY(g_removeAppSource(QFileInfo(root.filePath(QStringLiteral("missing")))));
}

void TestHelpers::diskFreeSpace()
{
    const QString home = QDir::homePath();
    const int mb = g_getDiskFreeSpaceInMB(reinterpret_cast<const unsigned short *>(home.utf16()));
    QVERIFY(mb > 0);
    const QString missing = QStringLiteral("/no/such/folder/here");
    QCOMPARE(g_getDiskFreeSpaceInMB(reinterpret_cast<const unsigned short *>(missing.utf16())), 0);
    QCOMPARE(g_getDiskFreeSpaceInMB(nullptr), 0);
}

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
