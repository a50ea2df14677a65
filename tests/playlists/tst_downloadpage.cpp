// The download page against the fake service: the queue and its limit, songs that end
// byte-identical and join the library, the 302 probe, stopping and resuming with Range from the
// partial size across a save and a load, the duplicate and same-target refusals, files at the
// target never deleted, removals that reach neither a removed row nor another song's file, and
// the page's action lock.

#include "FakeServiceHosts.h"
#include "KvrTestMain.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "playlists/WgtPlaylistBase.h"
#include "playlists/downloadWgt.h"
#include "playlists/kvrListView.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/downloads/httpDown.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/SongCachePaths.h"
#include "services/seams/FixedFolderSeam.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

constexpr int kDownloadMs = 60000;

QByteArray songBytes(int seed)
{
    QByteArray bytes(200000 + seed * 1000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * (131 + seed) + i / 7) & 0xff);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The library as the pages will be: it keeps every song handed over whose path it does not hold.
class LibrarySeam : public RecordingSeam
{
public:
    QList<_tag_localsonginfo_ *> kept;
    void refreshLocalWgts() override
    {
        QList<_tag_localsonginfo_ *> taken;
        for (_tag_localsonginfo_ *song : std::as_const(g_listLocalSongs)) {
            const bool known = std::any_of(kept.begin(), kept.end(), [song](const _tag_localsonginfo_ *k) {
                return k->filepathname == song->filepathname;
            });
            if (known) {
                delete song;
            } else {
                kept << song;
                taken << song;
            }
        }
        g_listLocalSongs = taken;
    }
    ~LibrarySeam() override { qDeleteAll(kept); }
};

} // namespace

class TestDownloadPage : public QObject
{
    Q_OBJECT

    FakeWebService m_fake;
    QTemporaryDir m_logs;
    std::unique_ptr<QTemporaryDir> m_root;
    FixedFolderSeam m_folders;
    std::optional<ScopedSeam<FolderSeam>> m_installedFolders;
    std::unique_ptr<LibrarySeam> m_library;
    std::optional<ScopedSeam<MainWindowSeam>> m_installedLibrary;
    httpRequestHandler *m_client = nullptr;
    std::unique_ptr<downloadWgt> m_page;
    QList<QByteArray> m_songs;
    int m_savedMax = 3;

    QString files(const QString &path) const { return m_fake.baseUrl(FakeHost::Files) + path; }
    QString down(const QString &name) const { return m_folders.m_sDownDir + QLatin1Char('/') + name; }
    _tag_downloadDelegate_ *row(int r) const { return m_page->recordOf(r); }

    void queue(int song, const QString &url = QString())
    {
        m_page->downTheSong(url.isEmpty() ? files(QStringLiteral("/mp3/%1.mp3").arg(song)) : url,
                            QStringLiteral("歌%1").arg(song), QStringLiteral("歌手"), QString(),
                            QStringLiteral("0.2 M"), QStringLiteral("00:10"), QString::number(100 + song));
    }
    int activeRows() const
    {
        int active = 0;
        for (int r = 0; r < m_page->getRecordCount(); ++r)
            active += row(r)->pDown && row(r)->pDown->m_bBusy ? 1 : 0;
        return active;
    }
    void waitForTheLock() { QTest::qWait(900); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_logs.isValid());
        g_sLogDir = m_logs.path();
        g_sAppDir = m_logs.path();
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        for (int song = 0; song < 4; ++song) {
            m_songs << songBytes(song);
            m_fake.serveFile(FakeHost::Files, QStringLiteral("/mp3/%1.mp3").arg(song).toUtf8(),
                             m_songs.last(), "audio/mpeg");
        }
        httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));
        m_savedMax = g_nMaxDownloads;
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_folders.m_sDownDir = m_root->filePath(QStringLiteral("down"));
        m_folders.m_sCacheDir = m_root->filePath(QStringLiteral("cache"));
        QVERIFY(QDir().mkpath(m_folders.m_sDownDir));
        QVERIFY(QDir().mkpath(m_folders.m_sCacheDir));
        m_installedFolders.emplace(&m_folders);
        m_library = std::make_unique<LibrarySeam>();
        m_installedLibrary.emplace(m_library.get());
        m_fake.clearFaults();
        m_fake.clearRequests();
        g_bMainUrlOk = true; // absolute addresses: no URL index first
        g_nMaxDownloads = 2;
        g_nDownNameFormat = 0;
        m_client = new httpRequestHandler;
        g_phttpHandler = m_client;
        m_page = std::make_unique<downloadWgt>();
    }

    void cleanup()
    {
        m_page.reset();
        g_phttpHandler = nullptr;
        delete m_client;
        m_installedLibrary.reset();
        m_library.reset();
        m_installedFolders.reset();
        g_nMaxDownloads = m_savedMax;
    }

    void theQueueKeepsToItsLimit()
    {
        // The first two hold their transfers until released.
        m_fake.setFault(FakeHost::Files, "/mp3/0.mp3", FakeFault::stallAfter(20000));
        m_fake.setFault(FakeHost::Files, "/mp3/1.mp3", FakeFault::stallAfter(20000));
        for (int song = 0; song < 3; ++song)
            queue(song);
        QCOMPARE(m_page->getRecordCount(), 3);
        QCOMPARE(m_page->curDowningCount(), 2);
        QVERIFY(row(2)->queued);
        QVERIFY(!row(2)->pDown);
        QVERIFY(m_page->findChild<QWidget *>(QStringLiteral("downloadWgtm_wNotEmpty"))
                    ->isVisibleTo(m_page.get()));
        KVR_TRY_VERIFY_WITH_TIMEOUT(QFileInfo(down(QStringLiteral("歌手 - 歌0.vyd"))).size() > 0,
                                    kDownloadMs);
        QVERIFY(m_fake.requestsTo(FakeHost::Files, "/mp3/2.mp3").isEmpty());

        m_fake.clearFaults();
        m_fake.releaseStalls();
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin && row(1)->fin && row(2)->fin, kDownloadMs);
        QCOMPARE(m_page->curDowningCount(), 0);
        for (int song = 0; song < 3; ++song) {
            QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌%1.mp3").arg(song))), m_songs.at(song));
            // In the library, linked to the row.
            QVERIFY(row(song)->pLocalSong);
            QCOMPARE(row(song)->pLocalSong->filepathname, down(QStringLiteral("歌手 - 歌%1.mp3").arg(song)));
        }
        QCOMPARE(m_library->kept.size(), 3);
        QVERIFY(g_listLocalSongs.isEmpty());
    }

    // A failure ends its row with the network-error text and gives its place to the next row;
    // the stall is the downloader's own (its time-out is tested with it).
    void aFailedRowMakesRoomForTheNext_data()
    {
        QTest::addColumn<int>("kind"); // 0 404, 1 500, 2 cut
        QTest::newRow("404") << 0;
        QTest::newRow("500") << 1;
        QTest::newRow("cut") << 2;
    }
    void aFailedRowMakesRoomForTheNext()
    {
        QFETCH(int, kind);
        g_nMaxDownloads = 1;
        // The probe gets a good answer; the transfer after it fails.
        const FakeFault fault = kind == 0   ? FakeFault::errorStatus(404)
                                : kind == 1 ? FakeFault::errorStatus(500)
                                            : FakeFault::cutAfter(50000);
        m_fake.setFault(FakeHost::Files, "/mp3/0.mp3", FakeFault(fault));
        queue(0);
        queue(1);
        QVERIFY(row(1)->queued);
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(1)->fin, kDownloadMs);
        QVERIFY(!row(0)->fin);
        QCOMPARE(row(0)->status, QStringLiteral("网络错误"));
        QCOMPARE(m_page->curDowningCount(), 0);
        QVERIFY(!QFile::exists(down(QStringLiteral("歌手 - 歌0.mp3"))));
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌1.mp3"))), m_songs.at(1));
    }

    void aSongInTheStreamCacheIsCopied()
    {
        const QByteArray cached = songBytes(9);
        QFile cache(g_cachedSongPath(m_folders.m_sCacheDir, QStringLiteral("歌手 - 歌2")));
        QVERIFY(cache.open(QIODevice::WriteOnly) && cache.write(cached) == cached.size());
        cache.close();
        queue(2);
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin, kDownloadMs);
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌2.mp3"))), cached);
        // At most the probe asked for the song's headers; no transfer went out.
        for (const FakeRequest &request : m_fake.requestsTo(FakeHost::Files, "/mp3/2.mp3"))
            QCOMPARE(request.header("Range"), QByteArray());
        QVERIFY(m_fake.requestsTo(FakeHost::Files, "/mp3/2.mp3").size() <= 1);
        QCOMPARE(m_page->curDowningCount(), 0);
    }

    void theProbeFollowsARedirect()
    {
        // Two probes in flight at once, each starting its own row.
        m_fake.setFault(FakeHost::Files, "/moved/0.mp3",
                        FakeFault::redirect(files(QStringLiteral("/mp3/0.mp3")).toUtf8()));
        queue(0, files(QStringLiteral("/moved/0.mp3")));
        queue(1);
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin && row(1)->fin, kDownloadMs);
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌0.mp3"))), m_songs.at(0));
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌1.mp3"))), m_songs.at(1));
        QCOMPARE(m_page->curDowningCount(), 0);
    }

    void stoppedRowsComeBackPausedAndResumeWithRange()
    {
        m_fake.setFault(FakeHost::Files, "/mp3/3.mp3", FakeFault::stallAfter(60000));
        queue(3);
        const QString partialPath = down(QStringLiteral("歌手 - 歌3.vyd"));
        KVR_TRY_VERIFY_WITH_TIMEOUT(QFileInfo(partialPath).size() > 0, kDownloadMs);
        QTest::qWait(200);
        m_page->stopAllForQuit();
        QCOMPARE(m_page->curDowningCount(), 0);
        QVERIFY(row(0)->stopped);
        const qint64 partial = QFileInfo(partialPath).size();
        QVERIFY(partial > 0 && partial < m_songs.at(3).size());
        QCOMPARE(row(0)->downloaded, partial);

        // As the library file carries it to the next start.
        _tag_downloadsonginfo_ saved;
        QVERIFY(m_page->getOneRecord(0, saved));
        QVERIFY(!m_page->getOneRecord(1, saved) && !m_page->getOneRecord(-1, saved));
        m_page = std::make_unique<downloadWgt>();
        m_page->addLocalSongRecord(saved);
        QVERIFY(row(0)->stopped && !row(0)->fin && !row(0)->pDown);
        QCOMPARE(row(0)->progress, saved.progress);
        QCOMPARE(row(0)->downloaded, partial);

        m_fake.clearFaults();
        m_fake.releaseStalls();
        m_fake.clearRequests();
        m_page->allStartDown();
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin, kDownloadMs);
        const QList<FakeRequest> transfers = m_fake.requestsTo(FakeHost::Files, "/mp3/3.mp3");
        QCOMPARE(transfers.size(), 1);
        QCOMPARE(transfers.last().header("Range"), "bytes=" + QByteArray::number(partial) + "-");
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌3.mp3"))), m_songs.at(3));
    }

    void duplicatesAndFilesAtTheTarget()
    {
        // Already on disk: nothing queued, the user's file untouched.
        QFile mine(down(QStringLiteral("歌手 - 歌0.mp3")));
        QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write("mine") == 4);
        mine.close();
        queue(0);
        QCOMPARE(m_page->getRecordCount(), 0);

        // The same id, or another id with the same singer and title, is refused.
        m_fake.setFault(FakeHost::Files, "/mp3/1.mp3", FakeFault::stallAfter(20000));
        queue(1);
        queue(1);
        m_page->downTheSong(files(QStringLiteral("/mp3/2.mp3")), QStringLiteral("歌1"),
                            QStringLiteral("歌手"), QString(), QString(), QString(), QStringLiteral("999"));
        QCOMPARE(m_page->getRecordCount(), 1);

        // A paused row whose target meanwhile holds a complete file finishes without deleting it.
        m_page->stopAllForQuit();
        QFile complete(down(QStringLiteral("歌手 - 歌1.mp3")));
        QVERIFY(complete.open(QIODevice::WriteOnly) && complete.write(m_songs.at(1)) == m_songs.at(1).size());
        complete.close();
        m_page->startDownTheMISong(m_page->model()->index(0, 0));
        QVERIFY(row(0)->fin);
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌1.mp3"))), m_songs.at(1));
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌0.mp3"))), QByteArray("mine"));
        QCOMPARE(m_page->curDowningCount(), 0);
        m_fake.releaseStalls();
    }

    void fileNamesFollowTheFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::newRow("singer first") << 0 << QStringLiteral("歌手 - 歌名.mp3");
        QTest::newRow("title first") << 1 << QStringLiteral("歌名 - 歌手.mp3");
        QTest::newRow("title only") << 2 << QStringLiteral("歌名.mp3");
        QTest::newRow("unknown value") << 7 << QStringLiteral("歌手 - 歌名.mp3");
    }
    void fileNamesFollowTheFormat()
    {
        QFETCH(int, format);
        g_nDownNameFormat = format;
        QTEST(downloadWgt::fileNameOf(QStringLiteral("歌名"), QStringLiteral("歌手")), "name");
        // A name from the service never leaves the folder.
        g_nDownNameFormat = 2;
        m_page->downTheSong(QString(), QStringLiteral("../../etc/passwd"), QString(), QString(), QString(),
                            QString(), QStringLiteral("5"));
        QVERIFY(QFileInfo(row(0)->filepathname).absolutePath() ==
                QFileInfo(m_folders.m_sDownDir).absoluteFilePath());
    }

    void aRowRemovedWhileItsAddressIsAskedForIsLeftAlone()
    {
        // The song information answers late; the row is gone by then.
        m_fake.setFault(FakeHost::Site, "/html/pxml/*", FakeFault::stall(1500));
        m_client->setRoute(
            HTTPREQUEST_TYPE_ID, this,
            [](const HttpAnswer &a) {
                QDomDocument doc;
                doc.setContent(a.text);
                if (auto *d = qobject_cast<httpDown *>(a.waiter))
                    d->dealwithIDResponse(doc.documentElement().firstChildElement("wma").text());
            },
            [](const HttpAnswer &a) {
                if (auto *d = qobject_cast<httpDown *>(a.waiter))
                    d->dealwithNetReponseErr();
            });
        m_page->downTheSong(QString(), QStringLiteral("晴天"), QStringLiteral("周小伦"), QString(), QString(),
                            QString(), QStringLiteral("10000"));
        m_page->downTheSong(QString(), QStringLiteral("雨天"), QStringLiteral("周小伦"), QString(), QString(),
                            QString(), QStringLiteral("10001"));
        g_nMaxDownloads = 1;
        queue(2);
        QCOMPARE(row(0)->status, QStringLiteral("请求中..."));
        QVERIFY(row(2)->queued);
        m_page->listView()->selectionModel()->select(m_page->model()->index(0, 0),
                                                     QItemSelectionModel::Select);
        m_page->delSongfromLocalList();
        QCOMPARE(m_page->getRecordCount(), 2);
        // Its place went on to a waiting row.
        QCOMPARE(m_page->curDowningCount(), 2);
        QCOMPARE(activeRows(), 2);
        m_fake.clearFaults();
        KVR_TRY_VERIFY_WITH_TIMEOUT(m_client->requestsInFlight() == 0, kDownloadMs);
        KVR_TRY_VERIFY_WITH_TIMEOUT(m_page->curDowningCount() == 0, kDownloadMs);
        QVERIFY(!QFile::exists(down(QStringLiteral("周小伦 - 晴天.mp3"))));
        QVERIFY(row(1)->fin);
        m_client->removeRoute(HTTPREQUEST_TYPE_ID);
    }

    void deletingFromDiskTakesOnlyTheRowsOwnFiles()
    {
        queue(0);
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin, kDownloadMs);
        _tag_localsonginfo_ *song = row(0)->pLocalSong;
        QVERIFY(song);
        waitForTheLock();

        // An unfinished row: its partial file goes, a file at its target (another song's) stays.
        m_fake.setFault(FakeHost::Files, "/mp3/1.mp3", FakeFault::stallAfter(20000));
        queue(1);
        KVR_TRY_VERIFY_WITH_TIMEOUT(QFileInfo(down(QStringLiteral("歌手 - 歌1.vyd"))).size() > 0,
                                    kDownloadMs);
        QFile other(down(QStringLiteral("歌手 - 歌1.mp3")));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other") == 5);
        other.close();

        m_page->listView()->selectionModel()->select(m_page->model()->index(0, 0),
                                                     QItemSelectionModel::Select);
        m_page->listView()->selectionModel()->select(m_page->model()->index(1, 0),
                                                     QItemSelectionModel::Select);
        m_page->delSongPermanent();
        QCOMPARE(m_page->getRecordCount(), 0);
        QVERIFY(!QFile::exists(down(QStringLiteral("歌手 - 歌0.mp3"))));
        QVERIFY(song->bDeleted);
        QVERIFY(!QFile::exists(down(QStringLiteral("歌手 - 歌1.vyd"))));
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌1.mp3"))), QByteArray("other"));
        QCOMPARE(m_page->curDowningCount(), 0);
        m_fake.releaseStalls();
    }

    void theActionLockDropsQuickRepeats()
    {
        m_fake.setFault(FakeHost::Files, "/mp3/0.mp3", FakeFault::stallAfter(20000));
        queue(0);
        m_page->allStopDown();
        QVERIFY(row(0)->stopped);
        QCOMPARE(m_page->curDowningCount(), 0);
        // Within 800 ms start all does nothing; after it, it resumes.
        m_page->allStartDown();
        QVERIFY(row(0)->stopped);
        waitForTheLock();
        m_page->allStartDown();
        QVERIFY(!row(0)->stopped);
        QCOMPARE(m_page->curDowningCount(), 1);
        m_fake.clearFaults();
        m_fake.releaseStalls();
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin, kDownloadMs);
        QCOMPARE(readFile(down(QStringLiteral("歌手 - 歌0.mp3"))), m_songs.at(0));
    }

    void opensTheFolderAndPlaysFinishedRows()
    {
        QStringList opened;
        QList<QStringList> played;
        auto previousOpener = WgtPlaylistBase::fileManagerOpener();
        auto previousPlayer = downloadWgt::queuePlayer();
        WgtPlaylistBase::fileManagerOpener() = [&opened](const QString &path) { opened << path; };
        downloadWgt::queuePlayer() = [&played](const QStringList &paths) { played << paths; };
        queue(0);
        m_fake.setFault(FakeHost::Files, "/mp3/1.mp3", FakeFault::stallAfter(20000));
        queue(1);
        KVR_TRY_VERIFY_WITH_TIMEOUT(row(0)->fin, kDownloadMs);
        m_page->playTheSong(m_page->model()->index(1, 0));
        QVERIFY(played.isEmpty());
        m_page->playTheSong(m_page->model()->index(0, 0));
        QCOMPARE(played, (QList<QStringList>{{down(QStringLiteral("歌手 - 歌0.mp3"))}}));
        m_page->listView()->selectionModel()->select(m_page->model()->index(1, 0),
                                                     QItemSelectionModel::Select);
        m_page->listView()->selectionModel()->select(m_page->model()->index(0, 0),
                                                     QItemSelectionModel::Select);
        m_page->playSongfromLocalList();
        QCOMPARE(played.last(), QStringList{down(QStringLiteral("歌手 - 歌0.mp3"))});
        m_page->openLocalDir();
        QCOMPARE(opened, QStringList{down(QStringLiteral("歌手 - 歌1.mp3"))});
        WgtPlaylistBase::fileManagerOpener() = previousOpener;
        downloadWgt::queuePlayer() = previousPlayer;
        m_fake.releaseStalls();
    }
};

KVR_TEST_MAIN(TestDownloadPage)
#include "tst_downloadpage.moc"
