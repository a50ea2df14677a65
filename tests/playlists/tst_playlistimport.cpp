// Local songs reaching the play queue from the page itself, fed by real folders of small real audio
// files: the folder add (after its dialog) with its depth-first order, the quick scan of the known
// folders and the music folder, its stop button, drops from a file manager, and the rows the songs
// become, which must show what the player itself reads from the same files.

#include "KvrTestMain.h"

#include "PlaybackTestSupport.h"

#include "audio/kvraudio.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "services/core/Globals.h"
#include "services/core/SongFileInfo.h"
#include "services/seams/LoggingMainWindowSeam.h"
#include "shell/kvrProgressDialog.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <algorithm>

namespace {

QStringList rowPaths(const WgtPlaylistBase &page)
{
    QStringList paths;
    for (int row = 0; row < page.rowCount(); ++row) {
        const _tag_playlistsonginfo_ *info = g_songInfo(page.model()->item(row));
        paths << (info ? info->filePath : QString());
    }
    return paths;
}

QStringList under(const QString &root, const QStringList &relative)
{
    QStringList paths;
    for (const QString &path : relative)
        paths << root + QLatin1Char('/') + path;
    return paths;
}

// Points the quick scan at test folders for the guard's life.
class ScanPlaces
{
public:
    ScanPlaces(const QStringList &roots, const QString &music)
        : m_roots(WgtPlaylistAll::quickScanRoots())
        , m_music(WgtPlaylistAll::musicFolder())
    {
        WgtPlaylistAll::quickScanRoots() = roots;
        WgtPlaylistAll::musicFolder() = music;
    }
    ~ScanPlaces()
    {
        WgtPlaylistAll::quickScanRoots() = m_roots;
        WgtPlaylistAll::musicFolder() = m_music;
    }

private:
    const QStringList m_roots;
    const QString m_music;
};

QStringList reversed(QStringList list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

} // namespace

class TestPlaylistImport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    LoggingMainWindowSeam m_seam;
    QString m_fixtures;
    QString m_tree; // each test's own folder tree

    QString fixture(const QString &name) const { return m_fixtures + QLatin1Char('/') + name; }

    // Makes the entries under root: "dir/" a folder, "link->target" a link to target, any other
    // name a copy of the fixture for its last three characters (mp3, ogg, wav, wma) or else a
    // line of text.
    bool makeTree(const QString &root, const QStringList &entries) const
    {
        for (const QString &entry : entries) {
            const QString path = root + QLatin1Char('/') + entry;
            if (entry.endsWith(QLatin1Char('/'))) {
                if (!QDir().mkpath(path))
                    return false;
                continue;
            }
            if (entry.contains(QStringLiteral("->"))) {
                const QStringList parts = entry.split(QStringLiteral("->"));
                if (!QFile::link(parts.at(1), root + QLatin1Char('/') + parts.at(0)))
                    return false;
                continue;
            }
            QDir().mkpath(QFileInfo(path).path());
            const QString kind = entry.right(3).toLower();
            if (QStringList{"mp3", "ogg", "wav", "wma"}.contains(kind)) {
                if (!QFile::copy(fixture(QStringLiteral("tone.") + kind), path))
                    return false;
            } else {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write("not a song\n") < 0)
                    return false;
            }
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("the ffmpeg command makes the songs");
        m_fixtures = m_dir.filePath(QStringLiteral("fixtures"));
        QVERIFY(QDir().mkpath(m_fixtures));
        const QStringList tags{QStringLiteral("-metadata"), QStringLiteral("title=标题"),
                               QStringLiteral("-metadata"), QStringLiteral("artist=  歌手甲 "),
                               QStringLiteral("-metadata"), QStringLiteral("album=专辑乙")};
        QVERIFY(makeToneMp3s({
            {fixture("tone.mp3"), 2.5},
            {fixture("tone.ogg"), 2.5, 440, {"-c:a", "libvorbis"}},
            {fixture("tone.wav"), 2.5},
            {fixture("tone.wma"), 2.5, 440, {"-c:a", "wmav2"}},
            {fixture("tagged.mp3"), 3.2, 440, tags},
            {fixture("Singer - Title.mp3"), 65.3, 440, {"-b:a", "8k", "-ar", "8000", "-ac", "1"}},
            {fixture("noxing.mp3"), 4.4, 440, QStringList{"-write_xing", "0"} + tags},
            {fixture("tagged.ogg"), 3.2, 440, QStringList{"-c:a", "libopus", "-ar", "48000"} + tags},
            {fixture("tagged.wav"), 3.2, 440, tags},
            {fixture("tagged.wma"), 3.2, 440, QStringList{"-c:a", "wmav2"} + tags},
        }));
        QVERIFY(QFile::copy(fixture("tone.ogg"), m_dir.filePath("vorbis.dat")));
        QFile tone(fixture("tone.mp3"));
        QVERIFY(tone.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath("cut.mp3"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(tone.read(tone.size() / 2)) > 0);
        QFile text(m_dir.filePath("text.mp3"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("ID3 but not really a song\n") > 0);
        QVERIFY(QDir().mkpath(m_dir.filePath("folder.mp3")));

        // Rows are read without the playback engine; the old road through streams needs it.
        QCOMPARE(int(g_readSongFile(fixture("tone.mp3")).seconds), 2);
        QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
        g_setMainWindowSeam(&m_seam);
    }

    void cleanupTestCase()
    {
        g_setMainWindowSeam(nullptr);
        BASS_Free();
    }

    void init()
    {
        g_sDataDir = m_dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir(g_sDataDir).removeRecursively());
        QVERIFY(QDir().mkpath(g_sDataDir));
        m_tree = m_dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir(m_tree).removeRecursively());
        QVERIFY(QDir().mkpath(m_tree));
    }

    void folderAdd_data()
    {
        // Entries as makeTree takes them, separated by spaces.
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("chosen"); // under the tree
        QTest::addColumn<QString>("found");  // in the order found; the rows are the reverse

        QTest::newRow("own songs first, then subfolders depth first")
            << "b.mp3 a.ogg c.WAV notes.txt sub1/ sub1/x.wma sub1/w.mp3 sub1/deep/ sub1/deep/y.mp3 Sub0/ "
               "Sub0/z.mp3"
            << ""
            << "a.ogg b.mp3 c.WAV Sub0/z.mp3 sub1/w.mp3 sub1/x.wma sub1/deep/y.mp3";
        QTest::newRow("a folder named like a song is searched, never added") << "a.mp3/ a.mp3/in.mp3 b.mp3"
                                                                             << ""
                                                                             << "b.mp3 a.mp3/in.mp3";
        QTest::newRow("hidden entries and links to folders are left out")
            << ".h.mp3 .hid/ .hid/x.mp3 real/ real/r.mp3 loop->."
            << ""
            << "real/r.mp3";
        QTest::newRow("a folder without songs adds nothing") << "empty/ notes.txt x.mp3/"
                                                             << ""
                                                             << "";
        QTest::newRow("a chosen folder ending in a slash keeps single slashes")
            << "sub/ sub/s.mp3 sub/in/ sub/in/t.mp3"
            << "sub/"
            << "sub/s.mp3 sub/in/t.mp3";
    }

    void folderAdd()
    {
        QFETCH(QString, tree);
        QFETCH(QString, chosen);
        QFETCH(QString, found);
        QVERIFY(makeTree(m_tree, tree.split(QLatin1Char(' '), Qt::SkipEmptyParts)));
        const QStringList songs = found.split(QLatin1Char(' '), Qt::SkipEmptyParts);

        WgtPlaylistAll page;
        const QString first = fixture("tone.mp3");
        page.addSongstoList({first}, false, false, 0);
        // The folder add after its dialog.
        page.addDirSongFrom(chosen.isEmpty() ? m_tree : m_tree + QLatin1Char('/') + chosen);

        QCOMPARE(rowPaths(page), reversed(under(m_tree, songs)) + QStringList{first});
        QCOMPARE(page.countLabel()->text(), QStringLiteral("%1首").arg(songs.size() + 1));
        QVERIFY(!page.progressDialog()->isVisible());
    }

    void quickScan()
    {
        // Only the three known folders count at a drive's root, without their subfolders; the
        // music folder counts with all of its subfolders, in pre-order.
        QVERIFY(
            makeTree(m_tree, {"a/KuGou/k2.mp3", "a/KuGou/k1.mp3", "a/KuGou/sub/ks.mp3",
                              "a/KwDownload/other.mp3", "a/KwDownload/song/w.ogg", "a/lanyun_music/l.wav",
                              "a/kugou/lower.mp3", "a/elsewhere/e.mp3", "b/", "music/m.mp3", "music/b/b.mp3",
                              "music/a/a.mp3", "music/a/deep/d.wma", "music/.hidden/h.mp3"}));
        const QStringList found = under(
            m_tree, {"a/KuGou/k1.mp3", "a/KuGou/k2.mp3", "a/KwDownload/song/w.ogg", "a/lanyun_music/l.wav",
                     "music/m.mp3", "music/a/a.mp3", "music/a/deep/d.wma", "music/b/b.mp3"});

        // Left alone, the scan looks at the root, the home folder and the user's music folder.
        QVERIFY(WgtPlaylistAll::quickScanRoots().contains(QStringLiteral("/")));
        QVERIFY(WgtPlaylistAll::quickScanRoots().contains(QDir::homePath()));
        QCOMPARE(WgtPlaylistAll::musicFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::MusicLocation));
        const ScanPlaces places(under(m_tree, {"a", "b", "missing"}), m_tree + QStringLiteral("/music"));

        WgtPlaylistAll page;
        const QString first = fixture("tone.mp3");
        page.addSongstoList({first}, false, false, 0);
        const QPointer<QProgressDialog> before = page.progressDialog();
        page.onKuaiSuSaoMiaoDaoRu();
        QCOMPARE(rowPaths(page), reversed(found) + QStringList{first});
        QCOMPARE(page.countLabel()->text(), QStringLiteral("9首"));

        // The page's long operations show the scan's dialog from now on.
        auto *dialog = qobject_cast<kvrProgressDialog *>(page.progressDialog());
        QVERIFY(dialog);
        QVERIFY(before.isNull());
        QCOMPARE(dialog->parentWidget(), &page);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->autoClose());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);

        // A second scan finds the same songs again.
        page.onKuaiSuSaoMiaoDaoRu();
        QCOMPARE(page.rowCount(), 17);
    }

    void stoppingAQuickScanKeepsWhatItFound()
    {
        QVERIFY(makeTree(m_tree, {"a/KuGou/k1.mp3", "a/KuGou/k2.mp3", "a/lanyun_music/l1.mp3",
                                  "a/lanyun_music/l2.mp3", "music/m.mp3"}));
        const ScanPlaces places({m_tree + QStringLiteral("/a")}, m_tree + QStringLiteral("/music"));

        WgtPlaylistAll page;
        // "停止" while the second folder is being listed.
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, &page, [&page] {
            QProgressDialog *dialog = page.progressDialog();
            if (dialog->labelText().startsWith(WgtPlaylistAll::tr("正在扫描文件夹(%1/%2)").arg(2).arg(3)))
                dialog->cancel();
        });
        stopper.start(0);
        page.onKuaiSuSaoMiaoDaoRu();
        stopper.stop();
        QCOMPARE(rowPaths(page), reversed(under(m_tree, {"a/KuGou/k1.mp3", "a/KuGou/k2.mp3"})));
    }

    void dragEnter_data()
    {
        QTest::addColumn<bool>("withUrls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("file addresses") << true << QString() << true;
        QTest::newRow("text without addresses") << false << QStringLiteral("/music/a.mp3") << false;
        QTest::newRow("nothing") << false << QString() << false;
    }

    void dragEnter()
    {
        QFETCH(bool, withUrls);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        WgtPlaylistAll page;
        QMimeData mime;
        if (withUrls)
            mime.setUrls({QUrl::fromLocalFile(fixture("tone.mp3"))});
        if (!text.isEmpty())
            mime.setText(text);
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&page, &event);
        QCOMPARE(event.isAccepted(), accepted);
    }

    // Only files whose names end in a song's three letters become rows, in the order dropped, each
    // at the top; the playing mark stays on its song.
    void drops()
    {
        QVERIFY(makeTree(m_tree, {"a.MP3", "b.txt", "folder/", "folder/in.mp3", "c.mp3/", "xmp3"}));
        WgtPlaylistAll page;
        const QStringList old{fixture("tone.mp3"), fixture("tone.ogg")};
        page.addSongstoList(old, false, false, 0);
        page.setCurPlayingRow(1, true);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(m_tree + QStringLiteral("/a.MP3")),
                      QUrl::fromLocalFile(m_tree + QStringLiteral("/b.txt")),
                      QUrl::fromLocalFile(m_tree + QStringLiteral("/folder")),
                      QUrl::fromLocalFile(m_tree + QStringLiteral("/c.mp3")),
                      QUrl(QStringLiteral("https://example.com/d.mp3")),
                      QUrl::fromLocalFile(m_tree + QStringLiteral("/xmp3"))});
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // As a real drag: the drop goes to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&page, &enter);
        QVERIFY(enter.isAccepted());
        QCoreApplication::sendEvent(&page, &event);

        QVERIFY(event.isAccepted());
        QCOMPARE(rowPaths(page), under(m_tree, {"xmp3", "a.MP3"}) + reversed(old));
        QCOMPARE(page.countLabel()->text(), QStringLiteral("4首"));
        QCOMPARE(page.curPlayingRow(), 3);
        QCOMPARE(g_songInfo(page.getCurPlayingItem())->filePath, old.first());
    }

    // A row shows what the player reads from the same file (g_readSongFile against a stream's
    // length and g_getSongTag): the length truncated to seconds and the tags with their rules,
    // also for files that cannot be opened.
    void rowsShowWhatThePlayerReads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("artist");
        QTest::newRow("mp3 with tags") << fixture("tagged.mp3") << "00:03"
                                       << "歌手甲";
        QTest::newRow("mp3 without a Xing frame") << fixture("noxing.mp3") << "00:04"
                                                  << "歌手甲";
        QTest::newRow("name says singer and title") << fixture("Singer - Title.mp3") << "01:05"
                                                    << "Singer";
        QTest::newRow("ogg opus") << fixture("tagged.ogg") << "00:03"
                                  << "歌手甲";
        QTest::newRow("wav") << fixture("tagged.wav") << "00:03"
                             << "歌手甲";
        QTest::newRow("wma") << fixture("tagged.wma") << "00:03"
                             << "歌手甲";
        QTest::newRow("ogg vorbis named .dat") << m_dir.filePath("vorbis.dat") << "00:02"
                                               << "未知艺术家";
        QTest::newRow("mp3 cut off halfway") << m_dir.filePath("cut.mp3") << "00:02"
                                             << "未知艺术家";
        QTest::newRow("text named .mp3") << m_dir.filePath("text.mp3") << "00:00"
                                         << "未知艺术家";
        QTest::newRow("missing file") << m_dir.filePath("missing - file.mp3") << "00:00"
                                      << "missing";
        QTest::newRow("folder named .mp3") << m_dir.filePath("folder.mp3") << "00:00"
                                           << "未知艺术家";
    }

    void rowsShowWhatThePlayerReads()
    {
        QFETCH(QString, path);
        QFETCH(QString, duration);
        QFETCH(QString, artist);
        QString title, tagArtist, album;
        g_getSongTag(path, title, tagArtist, album);
        const float seconds = g_getSongDuration(path);
        const SongFileInfo read = g_readSongFile(path);
        QCOMPARE(read.seconds, seconds);
        QCOMPARE(read.title, title);
        QCOMPARE(read.artist, tagArtist);
        QCOMPARE(read.album, album);

        WgtPlaylistAll page;
        page.addLocalSongintoModel(path, false);
        const _tag_playlistsonginfo_ *row = g_songInfo(page.model()->item(0));
        QVERIFY(row);
        QCOMPARE(row->Duartion, duration);
        QCOMPARE(row->artist, artist);
        QCOMPARE(row->title, title);
        QCOMPARE(row->sAlbumName, album);
    }
};

KVR_TEST_MAIN(TestPlaylistImport)
#include "tst_playlistimport.moc"
