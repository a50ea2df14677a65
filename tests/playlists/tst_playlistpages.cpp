// The three song-list pages with their list files: each loads its own file when it is built,
// saves every row without giving any up, frees its records when it goes, and shows the
// program's message box when its file cannot be read or written.

#include "KvrTestMain.h"
#include "PlayListDocs.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "services/seams/LoggingMainWindowSeam.h"

#include <QDir>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace playlistdocs;

namespace {

struct ShownBox
{
    QString title;
    QString text;
    int buttonType = -1;
};

class BoxRecorder : public LoggingMainWindowSeam
{
public:
    QList<ShownBox> boxes;
    int execMessageBox(const QString &title, const QString &text, int buttonType) override
    {
        boxes.append({title, text, buttonType});
        return 0;
    }
};

QList<_tag_playlistsonginfo_> records(const WgtPlaylistBase &page)
{
    QList<_tag_playlistsonginfo_> list;
    for (int row = 0; row < page.model()->rowCount(); ++row) {
        const _tag_playlistsonginfo_ *info = g_songInfo(page.model()->item(row));
        list.append(info ? *info : _tag_playlistsonginfo_{});
    }
    return list;
}

} // namespace

class TestPlaylistPages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    BoxRecorder m_seam;

    static QString rowsDocument(const QString &container, bool withCount)
    {
        return document(container, {song(attributesOf(localRow(), withCount)),
                                    song(attributesOf(networkRow(), withCount))});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_setMainWindowSeam(&m_seam);
    }
    void cleanupTestCase() { g_setMainWindowSeam(nullptr); }

    void init()
    {
        m_seam.boxes.clear();
        g_sDataDir = m_dir.path() + QStringLiteral("/data");
        QVERIFY(QDir(g_sDataDir).removeRecursively());
        QVERIFY(QDir().mkpath(g_sDataDir));
    }

    // The record's address travels whole through the item role, above 4 GiB too.
    void rowsHoldTheirRecord()
    {
        auto *fake = reinterpret_cast<_tag_playlistsonginfo_ *>(quintptr(0x7ffe12345678));
        QStandardItemModel model;
        model.appendRow(g_newSongItem(fake));
        model.appendRow(g_newSongItem(nullptr));
        QCOMPARE(g_songInfo(model.item(0)), fake);
        QCOMPARE(g_songInfo(model.index(0, 0)), fake);
        QCOMPARE(g_songInfo(model.item(1)), nullptr);
        QCOMPARE(g_songInfo(static_cast<QStandardItem *>(nullptr)), nullptr);
        QVERIFY(!model.index(0, 0).data(Qt::DisplayRole).isValid());
        QCOMPARE(g_songInfos(&model, 10000), (QList<const _tag_playlistsonginfo_ *>{fake, nullptr}));
        QCOMPARE(g_songInfos(&model, 1).size(), 1);
        QCOMPARE(g_takeSongInfo(model.item(0)), fake);
        QCOMPARE(g_songInfo(model.item(0)), nullptr);
    }

    void pagesLoadTheirFiles()
    {
        QVERIFY(writeEnciphered(g_sDataDir + QStringLiteral("/defaultList"),
                                rowsDocument(QStringLiteral("list"), false)));
        QVERIFY(writeEnciphered(g_sDataDir + QStringLiteral("/ChangTing"),
                                rowsDocument(QStringLiteral("list_Recent"), false)));
        QVERIFY(writeEnciphered(g_sDataDir + QStringLiteral("/TingGuo"),
                                rowsDocument(QStringLiteral("list_Count"), true)));

        _tag_playlistsonginfo_ local = localRow();
        _tag_playlistsonginfo_ network = networkRow();
        const QList<_tag_playlistsonginfo_> counted{local, network};
        local.count = network.count = 0;
        const QList<_tag_playlistsonginfo_> uncounted{local, network};

        WgtPlaylistAll queue;
        WgtPlaylistRecent recent;
        WgtPlaylistChart chart;
        QCOMPARE(queue.playListPath(), g_sDataDir + QStringLiteral("/defaultList"));
        QCOMPARE(records(queue), uncounted);
        QCOMPARE(records(recent), uncounted);
        QCOMPARE(records(chart), counted);
        QCOMPARE(queue.rowCount(), 2);
        QVERIFY(m_seam.boxes.isEmpty());
    }

    void missingFilesStartEmpty()
    {
        WgtPlaylistAll queue;
        WgtPlaylistChart chart;
        QCOMPARE(queue.rowCount(), 0);
        QCOMPARE(chart.rowCount(), 0);
        QVERIFY(m_seam.boxes.isEmpty());
        QVERIFY(QDir(g_sDataDir).isEmpty());
    }

    // Saving reads the records and leaves them to the page: a second save and every row still
    // work afterwards (AddressSanitizer would stop a freed record being read, and its leak check
    // a record the page does not free).
    void savingKeepsTheRows()
    {
        const QString path = g_sDataDir + QStringLiteral("/TingGuo");
        QVERIFY(writeEnciphered(path, rowsDocument(QStringLiteral("list_Count"), true)));
        auto chart = std::make_unique<WgtPlaylistChart>();
        QVERIFY(chart->savePlayList());
        QCOMPARE(deciphered(path), rowsDocument(QStringLiteral("list_Count"), true));
        QCOMPARE(records(*chart), (QList<_tag_playlistsonginfo_>{localRow(), networkRow()}));
        g_songInfo(chart->model()->item(0))->count = 8;
        QVERIFY(chart->savePlayList());
        chart.reset();
        WgtPlaylistChart again;
        QCOMPARE(again.rowCount(), 2);
        QCOMPARE(g_songInfo(again.model()->item(0))->count, 8);

        // The queue saves twice from the same rows: the first save gave none of them up.
        WgtPlaylistAll queue;
        queue.addSongstoList({QStringLiteral("/音乐/a.mp3")}, false, false, 0);
        QVERIFY(queue.savePlayList());
        const QString once = deciphered(queue.playListPath());
        QVERIFY(once.contains(QStringLiteral("filePath=\"/音乐/a.mp3\"")));
        QVERIFY(queue.savePlayList());
        QCOMPARE(deciphered(queue.playListPath()), once);
        QVERIFY(m_seam.boxes.isEmpty());
    }

    void unreadableFileShowsTheReadBox()
    {
        // A folder where the file should be: it exists, but cannot be opened as a file.
        const QString path = g_sDataDir + QStringLiteral("/ChangTing");
        QVERIFY(QDir().mkpath(path));
        WgtPlaylistRecent recent;
        QCOMPARE(recent.rowCount(), 0);
        QCOMPARE(m_seam.boxes.size(), 1);
        const ShownBox box = m_seam.boxes.first();
        QCOMPARE(box.title, QString());
        QCOMPARE(box.buttonType, 1);
        QVERIFY2(box.text.startsWith(QStringLiteral("不能读取文件 %1:\n").arg(path)), qPrintable(box.text));
        QVERIFY(box.text.size() > path.size() + 10);
        QVERIFY(box.text.endsWith(QLatin1Char('.')));

        // The first save keeps the folder aside and writes the list.
        QVERIFY(recent.savePlayList());
        QCOMPARE(deciphered(path), document(QStringLiteral("list_Recent"), {}));
        QCOMPARE(QDir(g_sDataDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    }

    void failedSaveShowsTheWriteBox()
    {
        WgtPlaylistAll queue;
        // The data folder is gone: there is nowhere to write.
        QVERIFY(QDir(g_sDataDir).removeRecursively());
        QVERIFY(!queue.savePlayList());
        QCOMPARE(m_seam.boxes.size(), 1);
        const ShownBox box = m_seam.boxes.first();
        QCOMPARE(box.title, QString());
        QCOMPARE(box.buttonType, 1);
        QVERIFY2(box.text.startsWith(QStringLiteral("不能写入文件 %1:\n").arg(queue.playListPath())),
                 qPrintable(box.text));
        QVERIFY(box.text.endsWith(QLatin1Char('.')));
    }
};

KVR_TEST_MAIN(TestPlaylistPages)
#include "tst_playlistpages.moc"
