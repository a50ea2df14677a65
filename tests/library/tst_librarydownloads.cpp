// The downloads across a quit and a start, as the library page carries them in "loclist1": the
// quit's stop (never dropped by the page's action lock) records the partial size, the save writes
// the rows and keeps the library's songs it cannot show yet, and the next start brings the rows
// back paused with their progress; resuming sends Range from the partial size and ends
// byte-identical.

#include "FakeServiceHosts.h"
#include "KvrTestMain.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "library/LocalListFile.h"
#include "library/WgtLocalLists.h"
#include "playlists/downloadWgt.h"
#include "services/core/Globals.h"
#include "services/downloads/httpDown.h"
#include "services/net/httpRequestHandler.h"
#include "services/seams/FixedFolderSeam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kDownloadMs = 60000;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestLibraryDownloads : public QObject
{
    Q_OBJECT

    FakeWebService m_fake;
    QTemporaryDir m_dir;
    FixedFolderSeam m_folders;
    RecordingSeam m_seam;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_sLogDir = m_dir.path();
        g_sAppDir = m_dir.path();
        g_sDataDir = m_dir.filePath(QStringLiteral("data"));
        m_folders.m_sDownDir = m_dir.filePath(QStringLiteral("down"));
        m_folders.m_sCacheDir = m_dir.filePath(QStringLiteral("cache"));
        for (const QString &folder : {g_sDataDir, m_folders.m_sDownDir, m_folders.m_sCacheDir})
            QVERIFY(QDir().mkpath(folder));
        g_setFolderSeam(&m_folders);
        g_setMainWindowSeam(&m_seam);
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));
        g_bMainUrlOk = true;
    }

    void cleanupTestCase()
    {
        g_setMainWindowSeam(nullptr);
        g_setFolderSeam(nullptr);
    }

    void unfinishedRowsComeBackPausedAndResume()
    {
        QByteArray song(250000, '\0');
        for (int i = 0; i < song.size(); ++i)
            song[i] = char((i * 37 + i / 11) & 0xff);
        m_fake.serveFile(FakeHost::Files, "/mp3/long.mp3", song, "audio/mpeg");
        m_fake.serveFile(FakeHost::Files, "/mp3/done.mp3", song.left(1000), "audio/mpeg");
        httpRequestHandler client;
        g_phttpHandler = &client;

        // A library song the pages cannot show yet: it must survive the save.
        {
            _tag_localsonginfo_ imported;
            imported.filepathname = QStringLiteral("/音乐/导入.mp3");
            imported.title = QStringLiteral("导入");
            imported.artist = QStringLiteral("歌手");
            imported.album = QStringLiteral("专辑");
            imported.sDur = QStringLiteral("03:00");
            QVERIFY(LocalListFile(g_sDataDir).save({&imported}, {}, QString()));
        }

        const QString partialPath = m_folders.m_sDownDir + QStringLiteral("/歌手 - 长歌.vyd");
        qint64 partial = 0;
        {
            WgtLocalLists page;
            page.loadLocalListFile();
            downloadWgt *downloads = page.downloadPage();
            m_fake.setFault(FakeHost::Files, "/mp3/long.mp3", FakeFault::stallAfter(60000));
            downloads->downTheSong(m_fake.baseUrl(FakeHost::Files) + QStringLiteral("/mp3/done.mp3"),
                                   QStringLiteral("短歌"), QStringLiteral("歌手"), QString(), QString(),
                                   QString(), QStringLiteral("1"));
            downloads->downTheSong(m_fake.baseUrl(FakeHost::Files) + QStringLiteral("/mp3/long.mp3"),
                                   QStringLiteral("长歌"), QStringLiteral("歌手"), QString(), QString(),
                                   QString(), QStringLiteral("2"));
            KVR_TRY_VERIFY_WITH_TIMEOUT(downloads->recordOf(0)->fin && QFileInfo(partialPath).size() > 0,
                                        kDownloadMs);
            QTest::qWait(200);
            // The quit stops even while the action lock is set.
            downloads->rechargeDownloadOperationsLater();
            page.allStopDown();
            QCOMPARE(downloads->curDowningCount(), 0);
            partial = QFileInfo(partialPath).size();
            QVERIFY(partial > 0 && partial < song.size());
            QVERIFY(page.saveLocalList());
        }

        m_fake.clearFaults();
        m_fake.releaseStalls();
        m_fake.clearRequests();
        WgtLocalLists again;
        again.loadLocalListFile();
        downloadWgt *downloads = again.downloadPage();
        QCOMPARE(downloads->getRecordCount(), 2);
        QVERIFY(downloads->recordOf(0)->fin);
        const _tag_downloadDelegate_ *row = downloads->recordOf(1);
        QVERIFY(row->stopped && !row->fin && !row->pDown);
        QCOMPARE(row->downloaded, partial);
        QVERIFY(row->progress > 0);
        downloads->allStartDown();
        KVR_TRY_VERIFY_WITH_TIMEOUT(row->fin, kDownloadMs);
        const QList<FakeRequest> transfers = m_fake.requestsTo(FakeHost::Files, "/mp3/long.mp3");
        QCOMPARE(transfers.size(), 1);
        QCOMPARE(transfers.first().header("Range"), "bytes=" + QByteArray::number(partial) + "-");
        QCOMPARE(readFile(m_folders.m_sDownDir + QStringLiteral("/歌手 - 长歌.mp3")), song);

        // The library song came through both saves untouched.
        QVERIFY(again.saveLocalList());
        LocalListLoadResult saved = LocalListFile(g_sDataDir).load(QString());
        QCOMPARE(saved.songs.size(), size_t(1));
        QCOMPARE(saved.songs.front()->filepathname, QStringLiteral("/音乐/导入.mp3"));
        QCOMPARE(saved.downloads.size(), size_t(2));
        QVERIFY(saved.downloads.at(1)->fin);
        g_phttpHandler = nullptr;
    }
};

KVR_TEST_MAIN(TestLibraryDownloads)
#include "tst_librarydownloads.moc"
