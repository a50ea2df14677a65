// Song downloads against the fake service: complete and byte-identical, stopped and resumed with
// Range from the partial size, every failure ending its row with the failure texts and nothing
// of an error answer in the partial file, the streamed-song cache copied instead of downloaded,
// unsafe names kept in the folder, and credentials for the song-file host only.
#include "FakeServiceHosts.h"
#include "KvrTry.h"
#include "RecordingSeam.h"

#include "services/core/Globals.h"
#include "services/downloads/httpDown.h"
#include "services/net/ObjectTickets.h"
#include "services/net/RequestTypes.h"
#include "services/net/httpRequestHandler.h"
#include "services/playback/SongCachePaths.h"
#include "services/seams/FixedFolderSeam.h"

#include <QDate>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTest>

namespace {

// How long a download of the test song may take: it ends in a fraction of a second, but the
// thread sanitizer on a busy two-core machine has been seen past ten.
constexpr int kDownloadMs = 60000;

QByteArray songBytes()
{
    QByteArray bytes(300000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 131 + i / 7) & 0xff);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// One download row: its record, its item and its downloader, with the downloader's signals
// counted.
struct Row
{
    _tag_downloadsonginfo_ record;
    QStandardItem item;
    httpDown *down = nullptr;
    int succeeded = 0;
    int finished = 0;
};

} // namespace

class TestSongDownload : public QObject
{
    Q_OBJECT

private:
    QString files(const QString &path) const { return m_fake.baseUrl(FakeHost::Files) + path; }
    QString downDir() const { return m_folders.m_sDownDir; }

    std::unique_ptr<Row> startRow(const QString &title = QStringLiteral("Title"),
                                  const QString &artist = QStringLiteral("Artist"))
    {
        auto row = std::make_unique<Row>();
        row->record.title = title;
        row->record.artist = artist;
        row->record.downloading = true;
        row->down = new httpDown(this);
        row->down->m_pItem = &row->item;
        row->down->m_pRecord = &row->record;
        row->down->m_bBusy = true;
        row->down->setTransferTimeout(1500);
        Row *raw = row.get();
        connect(row->down, &httpDown::downSuccessed, this, [raw](QStandardItem *item) {
            QCOMPARE(item, &raw->item);
            ++raw->succeeded;
        });
        connect(row->down, &httpDown::downFinished, this, [raw](QStandardItem *item) {
            QCOMPARE(item, &raw->item);
            ++raw->finished;
        });
        return row;
    }

    QStringList downloadErrors() const
    {
        QSettings log(g_sLogDir + "/" + QDate::currentDate().toString("yyyyMMdd") + ".log",
                      QSettings::IniFormat);
        QStringList values;
        const QStringList keys = log.allKeys();
        for (const QString &key : keys) {
            if (QRegularExpression("^DownloadError\\d+$").match(key).hasMatch())
                values << log.value(key).toString();
        }
        return values;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_fake.start());
        useFakeService(m_fake);
        g_sLogDir = m_logs.path();
        g_sAppDir = m_logs.path();
        m_song = songBytes();
        m_fake.serveFile(FakeHost::Files, "/mp3/big.mp3", m_song, "audio/mpeg");
        m_fake.serveFile(FakeHost::Files, "/mp3/10000.mp3", m_song, "audio/mpeg");
        // Not the fake's host: nothing here is the song-file host unless a test says so.
        httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));
    }
    void init()
    {
        m_folderRoot.reset(new QTemporaryDir);
        m_folders.m_sDownDir = m_folderRoot->path() + "/down";
        m_folders.m_sCacheDir = m_folderRoot->path() + "/cache";
        QVERIFY(QDir().mkpath(m_folders.m_sDownDir));
        QVERIFY(QDir().mkpath(m_folders.m_sCacheDir));
        m_fake.clearFaults();
        m_fake.clearRequests();
        m_seam.calls.clear();
        g_bMainUrlOk = false;
        g_sMainUrl.clear();
        m_client = new httpRequestHandler;
        m_client->setTransferTimeout(3000);
        g_phttpHandler = m_client;
    }
    void cleanup()
    {
        g_phttpHandler = nullptr;
        delete m_client;
        m_client = nullptr;
        httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));
    }

    void aSongDownloadsByteIdentical_data()
    {
        QTest::addColumn<bool>("withLength");
        QTest::newRow("length given") << true;
        // Chunked: the clean end of a whole-song answer is the song's end.
        QTest::newRow("no length") << false;
    }
    void aSongDownloadsByteIdentical()
    {
        QFETCH(bool, withLength);
        if (!withLength)
            m_fake.setFault(FakeHost::Files, "/mp3/big.mp3", FakeFault::noLength());
        // The song information gives a path; the URL index, asked first, gives its host.
        auto row = startRow();
        row->down->downloadFile(QStringLiteral("/mp3/big.mp3"), downDir() + "/",
                                QStringLiteral("Artist - Title.mp3"));
        QCOMPARE(row->record.status, QStringLiteral("请求中..."));
        KVR_TRY_COMPARE_WITH_TIMEOUT(row->finished, 1, kDownloadMs);
        QCOMPARE(row->succeeded, 1);
        QCOMPARE(m_fake.requestsTo(FakeHost::Site, "/sgbox/urlindex.asp").size(), 1);
        const QList<FakeRequest> transfers = m_fake.requestsTo(FakeHost::Files, "/mp3/big.mp3");
        // Without a length the server closes to end the answer, and Qt may send the request
        // again on its own when the close races its reading: never with a range.
        QVERIFY(withLength ? transfers.size() == 1 : !transfers.isEmpty());
        for (const FakeRequest &transfer : transfers)
            QCOMPARE(transfer.header("Range"), QByteArray());
        QCOMPARE(readFile(downDir() + "/Artist - Title.mp3"), m_song);
        QVERIFY(!QFile::exists(downDir() + "/Artist - Title.vyd"));
        QVERIFY(row->record.fin);
        QCOMPARE(row->record.progress, 100);
        QCOMPARE(row->record.progressText, QStringLiteral("下载完成"));
        QCOMPARE(row->record.size, QStringLiteral("0.29 M"));
        QCOMPARE(row->record.downloaded, qint64(m_song.size()));
        QVERIFY(!row->down->m_bBusy);
    }

    void theSongInformationLeadsToTheRowsTarget()
    {
        // As the song-information answer does for a download: its "wma" path to the downloader.
        m_client->setRoute(
            HTTPREQUEST_TYPE_ID, this,
            [](const HttpAnswer &a) {
                QDomDocument doc;
                doc.setContent(a.text);
                const QString wma = doc.documentElement().firstChildElement("wma").firstChild().nodeValue();
                if (auto *down = qobject_cast<httpDown *>(a.waiter))
                    down->dealwithIDResponse(wma);
            },
            [](const HttpAnswer &a) {
                if (auto *down = qobject_cast<httpDown *>(a.waiter))
                    down->dealwithNetReponseErr();
            });
        auto row = startRow(QStringLiteral("晴天"), QStringLiteral("周杰伦"));
        row->record.filepathname = downDir() + QStringLiteral("/周杰伦 - 晴天.mp3");
        row->down->requestSongInfo(QStringLiteral("10000"));
        QCOMPARE(row->record.status, QStringLiteral("请求中..."));
        KVR_TRY_COMPARE_WITH_TIMEOUT(row->finished, 1, kDownloadMs);
        QCOMPARE(row->succeeded, 1);
        QCOMPARE(row->record.url, QStringLiteral("/mp3/10000.mp3"));
        QCOMPARE(readFile(row->record.filepathname), m_song);

        // A failed song-information request ends the row as a network error.
        m_fake.setFault(FakeHost::Site, "/html/pxml/*", FakeFault::errorStatus(404));
        auto failed = startRow();
        failed->down->requestSongInfo(QStringLiteral("10001"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(failed->finished, 1, kDownloadMs);
        QCOMPARE(failed->record.status, QStringLiteral("网络错误"));
        QVERIFY(!failed->down->m_bBusy);
        m_client->removeRoute(HTTPREQUEST_TYPE_ID);
    }

    void aStoppedDownloadResumesFromThePartialSize()
    {
        g_bMainUrlOk = true;
        m_fake.setFault(FakeHost::Files, "/mp3/big.mp3", FakeFault::stallAfter(100000).only(1));
        auto row = startRow();
        row->down->setTransferTimeout(0);
        const QString temp = downDir() + "/Artist - Title.vyd";
        row->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Artist - Title.mp3"));
        KVR_TRY_VERIFY_WITH_TIMEOUT(QFileInfo(temp).size() >= 60000, kDownloadMs);
        QTest::qWait(200);
        row->down->stopDownload(false);
        QCOMPARE(row->finished, 1);
        QCOMPARE(row->succeeded, 0);
        const qint64 partial = QFileInfo(temp).size();
        QVERIFY(partial > 0 && partial < m_song.size());
        QCOMPARE(readFile(temp), m_song.left(partial));
        QCOMPARE(row->record.status, QStringLiteral("0 KB/S"));
        QCOMPARE(row->record.downloaded, partial);
        QCOMPARE(row->record.progress, int(partial * 175 / m_song.size()));

        // The rest, with a pause in it until the once-a-second progress has shown.
        m_fake.setFault(FakeHost::Files, "/mp3/big.mp3", FakeFault::stallAfter(1000).only(1));
        row->record.progressText.clear();
        row->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Artist - Title.mp3"));
        KVR_TRY_VERIFY_WITH_TIMEOUT(row->record.progressText.startsWith(QStringLiteral("已下载")), 5000);
        m_fake.releaseStalls();
        const int percent = row->record.progressText.mid(3).chopped(1).toInt();
        const int bar = row->record.progress;
        QVERIFY2(bar * 100 / 175 - percent <= 1 && percent - bar * 100 / 175 <= 1,
                 qPrintable(QStringLiteral("bar %1 px, text %2").arg(bar).arg(row->record.progressText)));
        QVERIFY(percent * m_song.size() / 100 >= partial - m_song.size() / 100);

        KVR_TRY_COMPARE_WITH_TIMEOUT(row->finished, 2, kDownloadMs);
        QCOMPARE(row->succeeded, 1);
        const QList<FakeRequest> transfers = m_fake.requestsTo(FakeHost::Files, "/mp3/big.mp3");
        QCOMPARE(transfers.size(), 2);
        QCOMPARE(transfers.last().header("Range"), "bytes=" + QByteArray::number(partial) + "-");
        QCOMPARE(readFile(downDir() + "/Artist - Title.mp3"), m_song);
        QCOMPARE(row->record.progressText, QStringLiteral("下载完成"));
    }

    void failuresEndTheRow_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::newRow("404 page") << int(FakeFault::ErrorStatus) << 404;
        QTest::newRow("500 page") << int(FakeFault::ErrorStatus) << 500;
        QTest::newRow("redirect, not followed") << int(FakeFault::Redirect) << 302;
        QTest::newRow("connection cut") << int(FakeFault::CutAfter) << 200;
        QTest::newRow("stall past the time-out") << int(FakeFault::StallAfter) << 200;
    }
    void failuresEndTheRow()
    {
        QFETCH(int, kind);
        QFETCH(int, status);
        g_bMainUrlOk = true;
        FakeFault fault;
        switch (FakeFault::Kind(kind)) {
        case FakeFault::ErrorStatus:
            fault = FakeFault::errorStatus(status, "<html><body>Server Error</body></html>");
            break;
        case FakeFault::Redirect:
            fault = FakeFault::redirect("${files}/mp3/elsewhere.mp3");
            break;
        case FakeFault::CutAfter:
            fault = FakeFault::cutAfter(20000);
            break;
        default:
            fault = FakeFault::stallAfter(20000);
            break;
        }
        m_fake.setFault(FakeHost::Files, "/mp3/big.mp3", fault);
        auto row = startRow();
        // Only the time-out ends a stall; the first bytes, which the row needs, come long before.
        if (kind == FakeFault::StallAfter)
            row->down->setTransferTimeout(400);
        const QString temp = downDir() + "/Artist - Title.vyd";
        row->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Artist - Title.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(row->finished, 1, kDownloadMs);
        QCOMPARE(row->succeeded, 0);
        QCOMPARE(row->record.status, QStringLiteral("网络错误"));
        QVERIFY(!row->record.fin);
        QVERIFY(!row->down->m_bBusy);
        QVERIFY(!QFile::exists(downDir() + "/Artist - Title.mp3"));
        // Only the song's own bytes are kept, for a later resume.
        const QByteArray partial = readFile(temp);
        QCOMPARE(partial, m_song.left(partial.size()));
        if (kind == FakeFault::ErrorStatus || kind == FakeFault::Redirect)
            QCOMPARE(partial.size(), 0);
        else
            QVERIFY(partial.size() > 0 && partial.size() < m_song.size());
        QCOMPARE(row->record.downloaded, qint64(partial.size()));
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, "/mp3/elsewhere.mp3").size(), 0);
        // The day's log names the status and the address (a redirect's target, which is not fetched).
        const QString address = files(kind == FakeFault::Redirect ? "/mp3/elsewhere.mp3" : "/mp3/big.mp3");
        const QStringList errors = downloadErrors();
        QVERIFY2(errors.contains(QStringLiteral("http_status:%1,url:%2").arg(status).arg(address)),
                 qPrintable(errors.join(" | ")));
    }

    void resumeAnswersThatDoNotFitThePartialFile()
    {
        g_bMainUrlOk = true;
        const QByteArray junk(1000, 'x');

        // The server ignores Range and sends the whole song: it starts over from byte 0.
        m_fake.setAnswer(FakeHost::Files, "/plain/song.mp3", FakeAnswer::bytes(m_song, "audio/mpeg"));
        QVERIFY(writeFile(downDir() + "/Plain - Song.vyd", junk));
        auto whole = startRow();
        whole->down->downloadFile(files("/plain/song.mp3"), downDir(), QStringLiteral("Plain - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(whole->finished, 1, kDownloadMs);
        QCOMPARE(whole->succeeded, 1);
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, "/plain/song.mp3").last().header("Range"),
                 QByteArray("bytes=1000-"));
        QCOMPARE(readFile(downDir() + "/Plain - Song.mp3"), m_song);

        // A 206 that does not start where the partial file ends is refused, the file untouched.
        FakeAnswer wrong = FakeAnswer::bytes(m_song.left(5000), "audio/mpeg", 206);
        wrong.headers << qMakePair(QByteArray("Content-Range"), QByteArray("bytes 0-4999/300000"));
        m_fake.setAnswer(FakeHost::Files, "/wrong/song.mp3", wrong);
        QVERIFY(writeFile(downDir() + "/Wrong - Song.vyd", m_song.left(1000)));
        auto refused = startRow();
        refused->down->downloadFile(files("/wrong/song.mp3"), downDir(), QStringLiteral("Wrong - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(refused->finished, 1, kDownloadMs);
        QCOMPARE(refused->succeeded, 0);
        QCOMPARE(refused->record.status, QStringLiteral("网络错误"));
        QCOMPARE(readFile(downDir() + "/Wrong - Song.vyd"), m_song.left(1000));

        // A 206 that stops before the song's end leaves a partial file, not a finished song.
        FakeAnswer shortRange = FakeAnswer::bytes(m_song.mid(1000, 1000), "audio/mpeg", 206);
        shortRange.headers << qMakePair(QByteArray("Content-Range"), QByteArray("bytes 1000-1999/300000"));
        m_fake.setAnswer(FakeHost::Files, "/short/song.mp3", shortRange);
        QVERIFY(writeFile(downDir() + "/Short - Song.vyd", m_song.left(1000)));
        auto cut = startRow();
        cut->down->downloadFile(files("/short/song.mp3"), downDir(), QStringLiteral("Short - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(cut->finished, 1, kDownloadMs);
        QCOMPARE(cut->succeeded, 0);
        QCOMPARE(cut->record.status, QStringLiteral("网络错误"));
        QVERIFY(!QFile::exists(downDir() + "/Short - Song.mp3"));
        QCOMPARE(readFile(downDir() + "/Short - Song.vyd"), m_song.left(2000));

        // A partial file the server cannot continue (416) begins anew on the next start.
        QVERIFY(writeFile(downDir() + "/Long - Song.vyd", m_song + "extra"));
        auto beyond = startRow();
        beyond->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Long - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(beyond->finished, 1, kDownloadMs);
        QCOMPARE(beyond->record.status, QStringLiteral("网络错误"));
        QCOMPARE(QFileInfo(downDir() + "/Long - Song.vyd").size(), 0);
        beyond->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Long - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(beyond->finished, 2, kDownloadMs);
        QCOMPARE(beyond->succeeded, 1);
        QCOMPARE(readFile(downDir() + "/Long - Song.mp3"), m_song);
    }

    void aResumeEndsOnlyAtAKnownTotal_data()
    {
        QTest::addColumn<QByteArray>("contentRange");
        QTest::addColumn<QByteArray>("length"); // "own": the body's; empty: none at all
        QTest::addColumn<int>("bodyBytes");     // of the song from byte 1000
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("partialAfter"); // bytes of the song left in the partial file

        QTest::newRow("size unknown, length given")
            << QByteArray("bytes 1000-299999/*") << QByteArray("own") << 299000 << true << 0;
        // Ten bytes of a song of unknown size: no total was ever told, so it is no song.
        QTest::newRow("size unknown, no length")
            << QByteArray("bytes 1000-1009/*") << QByteArray() << 10 << false << 1010;
        QTest::newRow("size unknown, length past 64 bits")
            << QByteArray("bytes 1000-299999/*") << QByteArray("9223372036854775807") << 299000 << false
            << 1000;
        QTest::newRow("size past 64 bits") << QByteArray("bytes 1000-299999/99999999999999999999")
                                           << QByteArray("own") << 299000 << false << 1000;
        // More than the song's own size is not written.
        QTest::newRow("body past the size")
            << QByteArray("bytes 1000-1999/2000") << QByteArray() << 2000 << false << 1000;
    }
    void aResumeEndsOnlyAtAKnownTotal()
    {
        QFETCH(QByteArray, contentRange);
        QFETCH(QByteArray, length);
        QFETCH(int, bodyBytes);
        QFETCH(bool, complete);
        QFETCH(int, partialAfter);
        g_bMainUrlOk = true;
        FakeAnswer answer = FakeAnswer::bytes(m_song.mid(1000, bodyBytes), "audio/mpeg", 206);
        answer.headers << qMakePair(QByteArray("Content-Range"), contentRange);
        if (length != "own") {
            // The fake's own length goes; the answer's stands alone, if any.
            if (!length.isEmpty())
                answer.headers << qMakePair(QByteArray("Content-Length"), length);
            m_fake.setFault(FakeHost::Files, "/resume/song.mp3", FakeFault::noLength());
        }
        m_fake.setAnswer(FakeHost::Files, "/resume/song.mp3", answer);
        QVERIFY(writeFile(downDir() + "/Resume - Song.vyd", m_song.left(1000)));

        auto row = startRow();
        row->down->downloadFile(files("/resume/song.mp3"), downDir(), QStringLiteral("Resume - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(row->finished, 1, kDownloadMs);
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, "/resume/song.mp3").last().header("Range"),
                 QByteArray("bytes=1000-"));
        QCOMPARE(row->succeeded, complete ? 1 : 0);
        QCOMPARE(row->record.fin, complete);
        if (complete) {
            QCOMPARE(readFile(downDir() + "/Resume - Song.mp3"), m_song);
            return;
        }
        QCOMPARE(row->record.status, QStringLiteral("网络错误"));
        QVERIFY(!QFile::exists(downDir() + "/Resume - Song.mp3"));
        QCOMPARE(readFile(downDir() + "/Resume - Song.vyd"), m_song.left(partialAfter));
    }

    void aCachedSongIsCopied_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("decoy");
        QTest::newRow("plain name") << "Artist - Title"
                                    << "";
        QTest::newRow("a dot in the name") << "Mr. Big - To Be With You"
                                           << "Mr";
    }
    void aCachedSongIsCopied()
    {
        QFETCH(QString, name);
        QFETCH(QString, decoy);
        const QByteArray cached = "the cached song " + name.toUtf8();
        QVERIFY(writeFile(g_cachedSongPath(m_folders.m_sCacheDir, name), cached));
        if (!decoy.isEmpty())
            QVERIFY(writeFile(g_cachedSongPath(m_folders.m_sCacheDir, decoy), "another song"));
        auto row = startRow();
        row->down->downloadFile(files("/mp3/big.mp3"), downDir(), name + ".mp3");
        QCOMPARE(row->succeeded, 1);
        QCOMPARE(row->finished, 1);
        QCOMPARE(m_fake.requestCount(), 0);
        QCOMPARE(readFile(downDir() + "/" + name + ".mp3"), cached);
        QVERIFY(row->record.fin);
        QCOMPARE(row->record.progress, 100);
        QCOMPARE(row->record.progressText, QStringLiteral("下载完成"));

        // Stopped for good, the list hears nothing more from it.
        QFile::remove(downDir() + "/" + name + ".mp3");
        row->down->stopDownload(true);
        row->down->downloadFile(files("/mp3/big.mp3"), downDir(), name + ".mp3");
        QCOMPARE(row->succeeded, 2);
        QCOMPARE(row->finished, 1);
    }

    void namesAndFilesThatGoWrong()
    {
        g_bMainUrlOk = true;
        // A name from the service never leaves the download folder.
        auto unsafe = startRow();
        unsafe->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("../../etc/x - y.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(unsafe->finished, 1, kDownloadMs);
        QCOMPARE(unsafe->succeeded, 1);
        QCOMPARE(QFileInfo(unsafe->down->finalPath()).absolutePath(), QDir(downDir()).absolutePath());
        QCOMPARE(readFile(unsafe->down->finalPath()), m_song);
        QCOMPARE(QDir(downDir()).entryList(QDir::Files).size(), 1);

        // A temporary file that cannot be opened still ends the row.
        auto unopened = startRow();
        unopened->down->downloadFile(files("/mp3/big.mp3"), downDir() + "/missing/",
                                     QStringLiteral("a - b.mp3"));
        QCOMPARE(unopened->finished, 1);
        QCOMPARE(unopened->succeeded, 0);
        QCOMPARE(unopened->record.status, QStringLiteral("保存失败"));
        QCOMPARE(m_seam.calls.size(), 1);
        QVERIFY(m_seam.calls.first().startsWith(QStringLiteral("box:|不能保存文件 ") + downDir() +
                                                "/missing/a - b.vyd: "));
        QVERIFY(m_seam.calls.first().endsWith(QStringLiteral(".|1")));
        QVERIFY(!unopened->down->m_bBusy);

        // A rename that fails is a failure, and the file already there stays as it was.
        QVERIFY(writeFile(downDir() + "/Exists - Song.mp3", "mine"));
        auto blocked = startRow();
        blocked->down->downloadFile(files("/mp3/big.mp3"), downDir(), QStringLiteral("Exists - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(blocked->finished, 1, kDownloadMs);
        QCOMPARE(blocked->succeeded, 0);
        QCOMPARE(blocked->record.status, QStringLiteral("保存失败"));
        QVERIFY(!blocked->record.fin);
        QVERIFY(blocked->record.progressText != QStringLiteral("下载完成"));
        QCOMPARE(readFile(downDir() + "/Exists - Song.mp3"), QByteArray("mine"));
        QCOMPARE(readFile(downDir() + "/Exists - Song.vyd"), m_song);
    }

    void theSongFileHostIsAskedFirstAndAloneGetsCredentials()
    {
        g_bMainUrlOk = true;
        httpDown::setSongFileHost(files(QString()));
        QVERIFY(httpDown::isSongFileHost(QUrl(files("/x.mp3"))));
        const QUrl host(files(QString()));
        QVERIFY(!httpDown::isSongFileHost(
            QUrl("http://127.0.0.1.evil.example:" + QString::number(host.port()) + "/x")));
        QVERIFY(!httpDown::isSongFileHost(QUrl("https://127.0.0.1:" + QString::number(host.port()) + "/x")));
        QVERIFY(
            !httpDown::isSongFileHost(QUrl("http://127.0.0.1:" + QString::number(host.port() + 1) + "/x")));

        // The pre-request follows a 302 to the song; the song comes whole.
        m_fake.setFault(FakeHost::Files, "/redir/song.mp3", FakeFault::redirect("${files}/mp3/big.mp3"));
        auto moved = startRow();
        moved->down->downloadFile(files("/redir/song.mp3"), downDir(), QStringLiteral("Moved - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(moved->finished, 1, kDownloadMs);
        QCOMPARE(moved->succeeded, 1);
        QCOMPARE(readFile(downDir() + "/Moved - Song.mp3"), m_song);
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, "/redir/song.mp3").size(), 1);
        QCOMPARE(m_fake.requestsTo(FakeHost::Files, "/mp3/big.mp3").size(), 1);

        // A host that asks for credentials gets them only when it is the song-file host.
        FakeAnswer login = FakeAnswer::text("", 401);
        login.headers << qMakePair(QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"songs\""));
        m_fake.setAnswer(FakeHost::Files, "/auth/song.mp3", login);
        const QByteArray expected =
            "Basic " + QByteArray("vyoplayer-download1:kvr-songfile-access-042").toBase64();
        const auto credentialsSent = [this]() {
            int count = 0;
            for (const FakeRequest &request : m_fake.requestsTo(FakeHost::Files, "/auth/song.mp3"))
                count += request.header("Authorization").isEmpty() ? 0 : 1;
            return count;
        };
        auto asked = startRow();
        asked->down->downloadFile(files("/auth/song.mp3"), downDir(), QStringLiteral("Auth - Song.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(asked->finished, 1, kDownloadMs);
        QCOMPARE(asked->record.status, QStringLiteral("网络错误"));
        QVERIFY(credentialsSent() > 0);
        for (const FakeRequest &request : m_fake.requestsTo(FakeHost::Files, "/auth/song.mp3")) {
            if (!request.header("Authorization").isEmpty())
                QCOMPARE(request.header("Authorization"), expected);
        }

        m_fake.clearRequests();
        httpDown::setSongFileHost(QStringLiteral("http://down.vyoplayer.example"));
        auto other = startRow();
        other->down->downloadFile(files("/auth/song.mp3"), downDir(), QStringLiteral("Auth - Other.mp3"));
        KVR_TRY_COMPARE_WITH_TIMEOUT(other->finished, 1, kDownloadMs);
        QCOMPARE(other->record.status, QStringLiteral("网络错误"));
        QVERIFY(m_fake.requestsTo(FakeHost::Files, "/auth/song.mp3").size() > 0);
        QCOMPARE(credentialsSent(), 0);
    }

private:
    FakeWebService m_fake;
    RecordingSeam m_seam;
    FixedFolderSeam m_folders;
    ScopedSeam<MainWindowSeam> m_installedSeam{&m_seam};
    ScopedSeam<FolderSeam> m_installedFolders{&m_folders};
    QTemporaryDir m_logs;
    std::unique_ptr<QTemporaryDir> m_folderRoot;
    httpRequestHandler *m_client = nullptr;
    QByteArray m_song;
};

QTEST_MAIN(TestSongDownload)
#include "tst_songdownload.moc"
