// The play queue and the two history pages as the user and the playback engine use them: adding
// rows, the next-song choice by play mode and failure count, playing through a queue of good,
// missing and corrupt files on the silent device, the removal operations with the playing row
// inside and outside the selection, and recording the songs that played to their end.

#include "KvrTestMain.h"

#include "PlaybackTestSupport.h"

#include "playlists/Delegate4ListView.h"
#include "playlists/PlaylistPagesSeam.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "playlists/kvrListView.h"
#include "shell/ListEmptyForm.h"
#include "shell/ShellGlobals.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

// The main window's boxes answer as the test says.
class AnsweringSeam : public PlaybackSeam
{
public:
    int answer = 0;
    int execMessageBox(const QString &title, const QString &text, int buttonType) override
    {
        RecordingSeam::execMessageBox(title, text, buttonType);
        return answer;
    }
};

_tag_playlistsonginfo_ *netInfo(const QString &id, const QString &artist, const QString &title)
{
    auto *info = new _tag_playlistsonginfo_;
    info->type = SongType::kNetwork;
    info->id = id;
    info->filePath = id;
    info->artist = artist;
    info->title = title;
    info->bytesize = QStringLiteral("idvalid");
    return info;
}

QStringList titles(const WgtPlaylistBase &page)
{
    QStringList list;
    for (int row = 0; row < page.rowCount(); ++row) {
        const _tag_playlistsonginfo_ *info = g_songInfo(page.model()->item(row));
        list << (info ? info->title : QStringLiteral("<none>"));
    }
    return list;
}

void select(WgtPlaylistBase &page, const QList<int> &rows)
{
    page.listView()->clearSelection();
    for (int row : rows)
        page.listView()->selectionModel()->select(page.model()->index(row, 0), QItemSelectionModel::Select);
}

} // namespace

class TestQueuePages : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_good;
    QString m_good2;
    QString m_corrupt;
    std::optional<GlobalsGuard> m_globals;
    std::unique_ptr<AnsweringSeam> m_seam;
    std::optional<ScopedSeam<MainWindowSeam>> m_installedSeam;
    PlaylistPagesSeam m_pages;
    std::optional<ScopedSeam<PlayListSeam>> m_installedPages;
    std::unique_ptr<WgtPlaylistAll> m_queue;
    std::unique_ptr<WgtPlaylistRecent> m_recent;
    std::unique_ptr<WgtPlaylistChart> m_chart;
    int m_round = 0;

    // Fills the queue with network rows "s0".."s<n-1>" (no files needed), top to bottom.
    void fillNet(int n)
    {
        for (int i = 0; i < n; ++i)
            m_queue->addNetSongintoModel(QString::number(100 + i), QStringLiteral("歌手 - s%1").arg(i),
                                         QString(), QStringLiteral("idvalid"), QString(), true);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_good = m_dir.filePath(QStringLiteral("好歌 - 一.mp3"));
        m_good2 = m_dir.filePath(QStringLiteral("好歌 - 二.mp3"));
        QVERIFY(makeToneMp3s({{m_good, 0.3}, {m_good2, 0.3, 660}}));
        m_corrupt = m_dir.filePath(QStringLiteral("corrupt.mp3"));
        QFile corrupt(m_corrupt);
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray("ID3 but not an mp3 at all").repeated(40));
        corrupt.close();
        QVERIFY(openPlaybackAudio(m_good));
    }

    void cleanupTestCase() { BASS_Free(); }

    void init()
    {
        m_globals.emplace();
        g_sDataDir = m_dir.filePath(QStringLiteral("data%1").arg(++m_round));
        QVERIFY(QDir().mkpath(g_sDataDir));
        g_nPlayingListId = PlayingListId::kNone;
        g_nPlayMode = 2;
        m_seam = std::make_unique<AnsweringSeam>();
        m_installedSeam.emplace(m_seam.get());
        m_installedPages.emplace(&m_pages);
        m_queue = std::make_unique<WgtPlaylistAll>();
        m_recent = std::make_unique<WgtPlaylistRecent>();
        m_chart = std::make_unique<WgtPlaylistChart>();
    }

    void cleanup()
    {
        m_chart.reset();
        m_recent.reset();
        m_queue.reset();
        m_installedPages.reset();
        m_installedSeam.reset();
        m_seam.reset();
        m_globals.reset();
    }

    // ---- Adding ----

    void addedRowsComeToTheTopInReverse_data()
    {
        QTest::addColumn<int>("nRow");
        QTest::addColumn<QString>("played");
        QTest::newRow("row 0 plays the last entry") << 0 << QStringLiteral("C");
        QTest::newRow("row 2 plays the first entry") << 2 << QStringLiteral("A");
        QTest::newRow("a row past the end plays nothing") << 7 << QString();
    }
    void addedRowsComeToTheTopInReverse()
    {
        QFETCH(int, nRow);
        QFETCH(QString, played);
        m_queue->addNetSongintoModel(QStringLiteral("9"), QStringLiteral("X"), QString(),
                                     QStringLiteral("idvalid"), QString(), true);
        m_queue->addSongstoList(
            {QStringLiteral("1[]A[]专辑"), QStringLiteral("2[]B[]"), QStringLiteral("3[]C")}, true, true,
            nRow);
        QCOMPARE(titles(*m_queue), (QStringList{QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A"),
                                                QStringLiteral("X")}));
        // A short entry reads its missing album as empty.
        QCOMPARE(g_songInfo(m_queue->model()->item(0))->sAlbumName, QString());
        QCOMPARE(g_songInfo(m_queue->model()->item(2))->sAlbumName, QStringLiteral("专辑"));
        QCOMPARE(m_queue->countLabel()->text(), QStringLiteral("4首"));
        const QStandardItem *playing = m_queue->getCurPlayingItem();
        QCOMPARE(playing ? g_songInfo(playing)->title : QString(), played);
        QCOMPARE(g_nPlayingListId, played.isEmpty() ? PlayingListId::kNone : PlayingListId::kPlayQueue);
    }

    void networkNamesSplitAtTheFirstDash_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("title");
        QTest::newRow("singer - title")
            << QStringLiteral("歌手 - 歌名") << QStringLiteral("歌手") << QStringLiteral("歌名");
        QTest::newRow("no dash") << QStringLiteral(" 只有歌名 ") << QString() << QStringLiteral("只有歌名");
        QTest::newRow("two dashes") << QStringLiteral("A-B-C") << QStringLiteral("A")
                                    << QStringLiteral("B-C");
    }
    void networkNamesSplitAtTheFirstDash()
    {
        QFETCH(QString, name);
        m_queue->addSongstoList({QStringLiteral("5[]") + name + QStringLiteral("[]")}, false, true, 0);
        const _tag_playlistsonginfo_ *info = g_songInfo(m_queue->model()->item(0));
        QTEST(info->artist, "artist");
        QTEST(info->title, "title");
        QCOMPARE(info->type, SongType::kNetwork);
        QCOMPARE(info->bytesize, QStringLiteral("idvalid"));
        QCOMPARE(info->id, QStringLiteral("5"));
    }

    void localRowsReadTheFile()
    {
        const QString missing = m_dir.filePath(QStringLiteral("不存在.mp3"));
        m_queue->addSongstoList({m_good, missing}, false, false, 0);
        const _tag_playlistsonginfo_ *gone = g_songInfo(m_queue->model()->item(0));
        const _tag_playlistsonginfo_ *good = g_songInfo(m_queue->model()->item(1));
        QCOMPARE(good->artist, QStringLiteral("好歌"));
        QCOMPARE(good->title, QStringLiteral("一"));
        QCOMPARE(good->Duartion, QStringLiteral("00:00"));
        QCOMPARE(good->type, SongType::kLocal);
        QCOMPARE(good->bytesize, QStringLiteral("0"));
        // A file that cannot be opened still gets its row.
        QCOMPARE(gone->filePath, missing);
        QCOMPARE(gone->Duartion, QStringLiteral("00:00"));
        QCOMPARE(WgtPlaylistBase::durationText(125), QStringLiteral("02:05"));
        QCOMPARE(WgtPlaylistBase::durationText(6000), QStringLiteral("100:00"));
    }

    void addingNothingChangesNothing()
    {
        m_queue->countLabel()->setText(QStringLiteral("旧"));
        m_queue->addSongstoList({}, true, false, 0);
        QCOMPARE(m_queue->countLabel()->text(), QStringLiteral("旧"));
        QCOMPARE(m_seam->calls.size(), 0);
    }

    void theMarkFollowsItsSongWhenRowsComeAbove()
    {
        fillNet(6);
        m_queue->setCurPlayingRow(4, true);
        m_queue->addNetSongintoModel(QStringLiteral("7"), QStringLiteral("新"), QString(),
                                     QStringLiteral("idvalid"), QString(), false);
        QCOMPARE(m_queue->curPlayingRow(), 5);
        QCOMPARE(g_songInfo(m_queue->getCurPlayingItem())->title, QStringLiteral("s4"));
    }

    // ---- The next-song choice ----

    void automaticChoice_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("playing");
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("expected"); // -1: stop
        QTest::newRow("empty queue stops") << 0 << 2 << -1 << 0 << -1;
        for (int mode : {0, 1, 2, 3})
            QTest::newRow(qPrintable(QStringLiteral("no mark, mode %1: row 0").arg(mode)))
                << 3 << mode << -1 << 0 << 0;
        QTest::newRow("in order at the last row stops") << 3 << 1 << 2 << 0 << -1;
        QTest::newRow("in order goes on") << 3 << 1 << 0 << 0 << 1;
        QTest::newRow("loop wraps") << 3 << 2 << 2 << 0 << 0;
        QTest::newRow("repeat one repeats") << 3 << 0 << 1 << 0 << 1;
        QTest::newRow("repeat one stops after a failure") << 3 << 0 << 1 << 1 << -1;
        QTest::newRow("loop stops once the failures reach the rows") << 3 << 2 << 1 << 3 << -1;
        QTest::newRow("loop goes on below that") << 3 << 2 << 1 << 2 << 2;
        QTest::newRow("random of one row") << 1 << 3 << 0 << 0 << 0;
        QTest::newRow("random stops once the failures reach the rows") << 2 << 3 << 0 << 2 << -1;
    }
    void automaticChoice()
    {
        QFETCH(int, rows);
        QFETCH(int, mode);
        QFETCH(int, playing);
        QFETCH(int, failures);
        QFETCH(int, expected);
        fillNet(rows);
        g_nPlayMode = mode;
        m_queue->setCurPlayingRow(playing, true);
        for (int i = 0; i < failures; ++i)
            m_pages.dealWithWrong(PlayingListId::kPlayQueue, 1);
        spis s;
        s.filePath = QStringLiteral("before");
        m_pages.getNextSongandSelIt(PlayingListId::kPlayQueue, s);
        if (expected < 0) {
            QVERIFY(s.filePath.isEmpty());
        } else {
            QCOMPARE(s.filePath, QString::number(100 + expected));
            QCOMPARE(s.title, QStringLiteral("s%1").arg(expected));
            QCOMPARE(s.id, quint32(100 + expected));
            QCOMPARE(m_queue->curPlayingRow(), expected);
        }
    }

    void usersNextAndPrevious_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("playing");
        QTest::addColumn<int>("next");     // -1: false
        QTest::addColumn<int>("previous"); // -1: false
        QTest::newRow("no mark") << 3 << 2 << -1 << -1 << -1;
        QTest::newRow("in order wraps for the user") << 3 << 1 << 2 << 0 << 1;
        QTest::newRow("first row back to the last") << 3 << 0 << 0 << 1 << 2;
        QTest::newRow("random of one row") << 1 << 3 << 0 << 0 << 0;
        QTest::newRow("empty list, random") << 0 << 3 << -1 << -1 << -1;
    }
    void usersNextAndPrevious()
    {
        QFETCH(int, rows);
        QFETCH(int, mode);
        QFETCH(int, playing);
        QFETCH(int, next);
        QFETCH(int, previous);
        fillNet(rows);
        g_nPlayMode = mode;
        for (const bool forward : {true, false}) {
            m_queue->clearCurPlayingRow();
            m_queue->setCurPlayingRow(playing, true);
            const int expected = forward ? next : previous;
            spis s;
            const bool taken = forward ? m_pages.getRealNextSongandSelIt(PlayingListId::kPlayQueue, s)
                                       : m_pages.getRealPrevSongandSelIt(PlayingListId::kPlayQueue, s);
            QCOMPARE(taken, expected >= 0);
            if (taken)
                QCOMPARE(m_queue->curPlayingRow(), expected);
        }
    }

    void playingTheSameRowTwiceDoesNothing()
    {
        fillNet(3);
        m_queue->playTheListSong(m_queue->model()->index(1, 0), true);
        QCOMPARE(m_queue->curPlayingRow(), 1);
        m_pages.dealWithWrong(PlayingListId::kPlayQueue, 1);
        m_queue->listView()->selectionModel()->select(m_queue->model()->index(2, 0),
                                                      QItemSelectionModel::Select);
        m_queue->playTheListSong(m_queue->model()->index(1, 0), true);
        // Nothing restarted: the failure count and the selection stay.
        QCOMPARE(m_queue->wrongCount(), 1);
        QVERIFY(m_queue->listView()->selectionModel()->hasSelection());
    }

    // ---- Playing through files on the silent device ----

    void playsThroughGoodMissingAndCorruptFiles_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("files"); // g good, G good2, m missing, c corrupt
        QTest::addColumn<int>("minStarts");     // songs started before it stops (or the test ends)
        QTest::addColumn<bool>("stops");
        // Good songs playing in between do not reset the failures: the second round ends it.
        QTest::newRow("loop wraps, then its failures stop it")
            << 2 << QStringList{"g", "m", "c", "G"} << 3 << true;
        QTest::newRow("loop runs past the end") << 2 << QStringList{"g", "G"} << 4 << false;
        QTest::newRow("in order stops after the last") << 1 << QStringList{"g", "m", "G"} << 2 << true;
        QTest::newRow("failing files only: loop stops") << 2 << QStringList{"m", "c", "m"} << 0 << true;
        QTest::newRow("failing files only: random stops") << 3 << QStringList{"c", "m"} << 0 << true;
        QTest::newRow("repeat one repeats the good song") << 0 << QStringList{"g", "G"} << 3 << false;
        QTest::newRow("repeat one stops on a failure") << 0 << QStringList{"m", "G"} << 0 << true;
    }
    void playsThroughGoodMissingAndCorruptFiles()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, files);
        QFETCH(int, minStarts);
        QFETCH(bool, stops);
        PlaybackRig rig;
        QVERIFY(rig.setUp(m_dir.filePath(QStringLiteral("rig%1").arg(m_round))));
        // The real pages answer the engine, not the rig's stand-in.
        ScopedSeam<PlayListSeam> pages(&m_pages);
        QStringList paths;
        for (const QString &file : files) {
            paths << (file == QLatin1String("g")   ? m_good
                      : file == QLatin1String("G") ? m_good2
                      : file == QLatin1String("c") ? m_corrupt
                                                   : m_dir.filePath(QStringLiteral("gone.mp3")));
        }
        // Reversed: the queue shows the files in the table's order.
        std::reverse(paths.begin(), paths.end());
        m_queue->addSongstoList(paths, false, false, 0);
        g_nPlayMode = mode;
        m_queue->playTheListSong(m_queue->model()->index(0, 0), true);
        if (stops) {
            QTRY_VERIFY_WITH_TIMEOUT(g_nPlayingListId == PlayingListId::kNone,
                                     playMs(0.3 * files.size() * 2));
            QVERIFY(rig.seam.resets >= 1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.seam.playStarted >= minStarts, playMs(0.3 * (minStarts + 1) * 2));
        if (!stops)
            QCOMPARE(g_nPlayingListId, PlayingListId::kPlayQueue);
        if (mode == 0 && !stops)
            QCOMPARE(m_queue->curPlayingRow(), 0);
        rig.player->stopPlay();
    }

    // ---- Editing ----

    void deletingKeepsTheMarkOnItsSong()
    {
        fillNet(8);
        m_queue->playTheListSong(m_queue->model()->index(4, 0), true);
        select(*m_queue, {0, 2, 3, 6});
        m_queue->delSong();
        QCOMPARE(m_queue->curPlayingRow(), 1);
        QCOMPARE(g_songInfo(m_queue->getCurPlayingItem())->title, QStringLiteral("s4"));
        QCOMPARE(g_nPlayingListId, PlayingListId::kPlayQueue);
        QCOMPARE(titles(*m_queue), (QStringList{"s1", "s4", "s5", "s7"}));
        QCOMPARE(m_queue->countLabel()->text(), QStringLiteral("4首"));
    }

    void deletingThePlayingRowStopsPlayback()
    {
        fillNet(5);
        m_queue->playTheListSong(m_queue->model()->index(2, 0), true);
        select(*m_queue, {1, 2, 4});
        m_queue->delSong();
        QCOMPARE(titles(*m_queue), (QStringList{"s0", "s3"}));
        QCOMPARE(m_queue->curPlayingRow(), -1);
        QCOMPARE(g_nPlayingListId, PlayingListId::kNone);
        QVERIFY(m_seam->calls.contains(QStringLiteral("resetPlayingInfo")));
    }

    void rowsComingInDuringADeleteKeepItRight()
    {
        // A song's end records it while the removal loop lets events run.
        fillNet(6);
        m_recent->model()->appendRow(
            g_newSongItem(netInfo(QStringLiteral("1"), QString(), QStringLiteral("r0"))));
        m_recent->model()->appendRow(
            g_newSongItem(netInfo(QStringLiteral("2"), QString(), QStringLiteral("r1"))));
        m_recent->model()->appendRow(
            g_newSongItem(netInfo(QStringLiteral("3"), QString(), QStringLiteral("r2"))));
        select(*m_recent, {0, 2});
        QStandardItem *played = m_queue->model()->item(5);
        QTimer::singleShot(0, m_recent.get(), [&] { m_recent->addPlayedSong(played); });
        m_recent->delSong();
        QCOMPARE(titles(*m_recent), (QStringList{"s5", "r1"}));
    }

    void clearingAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("left");
        QTest::newRow("no keeps every row") << 0 << 3 << 3;
        QTest::newRow("yes empties") << 1 << 3 << 0;
        QTest::newRow("yes on an empty queue") << 1 << 0 << 0;
    }
    void clearingAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, rows);
        fillNet(rows);
        if (rows)
            m_queue->playTheListSong(m_queue->model()->index(0, 0), true);
        m_seam->answer = answer;
        m_queue->show();
        m_queue->onQIngKong();
        QVERIFY(m_seam->calls.contains(QStringLiteral("box:提醒|您确实要清空播放列表吗？|0")));
        QTEST(m_queue->rowCount(), "left");
        const bool empty = m_queue->rowCount() == 0;
        QCOMPARE(m_queue->findChild<ListEmptyForm *>()->isVisible(), empty);
        QCOMPARE(g_nPlayingListId, rows && !empty ? PlayingListId::kPlayQueue : PlayingListId::kNone);
    }

    void duplicatesGoTheFirstStays()
    {
        const QString a = m_dir.filePath(QStringLiteral("a.mp3"));
        const QString upperA = m_dir.filePath(QStringLiteral("A.mp3"));
        auto local = [](const QString &path, const QString &title) {
            auto *info = new _tag_playlistsonginfo_;
            info->type = SongType::kLocal;
            info->filePath = path;
            info->title = title;
            return info;
        };
        for (_tag_playlistsonginfo_ *info :
             {netInfo("7", "", "n1"), local(a, "l1"), netInfo("7", "", "n2 other title"), local(upperA, "L"),
              local(a, "l2"), netInfo("8", "", "n3"), local(QStringLiteral("7"), "local named like an id")})
            m_queue->model()->appendRow(g_newSongItem(info));
        m_queue->playTheListSong(m_queue->model()->index(4, 0), true);
        m_queue->delRedundantSong();
        QCOMPARE(titles(*m_queue), (QStringList{"n1", "l1", "L", "n3", "local named like an id"}));
        // The playing row was a later copy: it stopped.
        QCOMPARE(g_nPlayingListId, PlayingListId::kNone);
    }

    void browsingShowsTheFileOrSaysItIsMissing()
    {
        QStringList opened;
        auto previous = WgtPlaylistBase::fileManagerOpener();
        WgtPlaylistBase::fileManagerOpener() = [&opened](const QString &path) { opened << path; };
        m_queue->addSongstoList({m_good, m_dir.filePath(QStringLiteral("gone.mp3"))}, false, false, 0);
        fillNet(1);
        select(*m_queue, {1});
        m_queue->openSongDir();
        QCOMPARE(opened, QStringList{m_good});
        for (int row : {0, 2}) {
            select(*m_queue, {row});
            m_queue->openSongDir();
        }
        QCOMPARE(m_seam->calls.count(QStringLiteral("hint:该歌曲还没有下载")), 2);
        QCOMPARE(opened.size(), 1);
        WgtPlaylistBase::fileManagerOpener() = previous;
    }

    void theRowMenuFollowsTheSelection()
    {
        fillNet(2);
        m_queue->prepareContextMenu();
        const QList<QAction *> actions = m_queue->contextMenu()->actions();
        auto action = [&actions](const QString &text) {
            for (QAction *a : actions)
                if (a->text() == text)
                    return a;
            return static_cast<QAction *>(nullptr);
        };
        QVERIFY(!action(QStringLiteral("删除"))->isEnabled());
        QVERIFY(!action(QStringLiteral("浏览本地文件"))->isEnabled());
        QVERIFY(!action(QStringLiteral("下载到手机"))->isEnabled());
        QVERIFY(action(QStringLiteral("清理重复歌曲"))->isEnabled());
        // Without favourite lists the submenu offers the new list only, and stays enabled.
        QCOMPARE(m_queue->geDanActions().size(), 1);
        QCOMPARE(m_queue->geDanActions().first()->text(), QStringLiteral("添加到新歌单"));
        select(*m_queue, {1});
        m_queue->prepareContextMenu();
        QVERIFY(action(QStringLiteral("删除"))->isEnabled());
        QCOMPARE(m_queue->geDanActions().size(), 1);
    }

    void countMirrorDropsTheWords()
    {
        m_queue->onGeQuSHu(QStringLiteral("共12首歌曲"));
        QCOMPARE(m_queue->countLabel()->text(), QStringLiteral("12首"));
    }

    // ---- Recently and most played ----

    void recordingPlayedSongs()
    {
        m_queue->addSongstoList({m_good, m_good2}, false, false, 0);
        QStandardItem *good2 = m_queue->model()->item(0);
        QStandardItem *good = m_queue->model()->item(1);
        g_nPlayingListId = PlayingListId::kPlayQueue;
        for (QStandardItem *item : {good, good2, good}) {
            m_recent->addPlayedSong(item);
            m_chart->addPlayCount(item);
        }
        QCOMPARE(titles(*m_recent), (QStringList{"一", "二"}));
        QCOMPARE(titles(*m_chart), (QStringList{"二", "一"}));
        QCOMPARE(g_songInfo(m_chart->model()->item(1))->count, 2);
        QCOMPARE(g_songInfo(m_chart->model()->item(0))->count, 1);
        // The history keeps copies of its own.
        QVERIFY(g_songInfo(m_recent->model()->item(0)) != g_songInfo(good));

        // The chart keys by path alone, the recent list by path and size.
        g_songInfo(good)->bytesize = QStringLiteral("12345");
        m_recent->addPlayedSong(good);
        m_chart->addPlayCount(good);
        QCOMPARE(m_recent->rowCount(), 3);
        QCOMPARE(m_chart->rowCount(), 2);
        QCOMPARE(g_songInfo(m_chart->model()->item(1))->count, 3);

        // Nothing is recorded while a history page plays.
        for (int list : {PlayingListId::kRecentlyPlayed, PlayingListId::kMostPlayed}) {
            g_nPlayingListId = list;
            m_recent->addPlayedSong(good2);
            m_chart->addPlayCount(good2);
        }
        QCOMPARE(m_recent->rowCount(), 3);
        QCOMPARE(g_songInfo(m_chart->model()->item(0))->count, 1);
    }

    void historyKeepsFiveHundredRows()
    {
        g_nPlayingListId = PlayingListId::kPlayQueue;
        QList<QStandardItem *> items;
        for (int i = 0; i < 501; ++i)
            m_queue->model()->appendRow(
                g_newSongItem(netInfo(QString::number(i), QString(), QStringLiteral("t%1").arg(i))));
        for (int i = 0; i < 501; ++i) {
            m_recent->addPlayedSong(m_queue->model()->item(i));
            m_chart->addPlayCount(m_queue->model()->item(i));
            if (i == 0) // the oldest chart row is the most played: it goes all the same
                for (int k = 0; k < 5; ++k)
                    m_chart->addPlayCount(m_queue->model()->item(0));
        }
        for (WgtPlaylistBase *page : {static_cast<WgtPlaylistBase *>(m_recent.get()),
                                      static_cast<WgtPlaylistBase *>(m_chart.get())}) {
            QCOMPARE(page->rowCount(), WgtPlaylistHistory::kMaxRows);
            QCOMPARE(g_songInfo(page->model()->item(0))->title, QStringLiteral("t500"));
            QCOMPARE(g_songInfo(page->model()->item(499))->title, QStringLiteral("t1"));
        }
    }

    void chartCountsPlaysStartedOnIt()
    {
        g_nPlayingListId = PlayingListId::kPlayQueue;
        fillNet(2);
        m_chart->addPlayCount(m_queue->model()->item(0));
        m_chart->addPlayCount(m_queue->model()->item(1));
        m_queue->playTheListSong(m_queue->model()->index(0, 0), true);
        m_chart->tvDoubleClick(m_chart->model()->index(1, 0));
        // The chart took over: the queue's mark is gone.
        QCOMPARE(m_queue->curPlayingRow(), -1);
        QCOMPARE(g_nPlayingListId, PlayingListId::kMostPlayed);
        QCOMPARE(g_songInfo(m_chart->model()->item(1))->count, 2);
        m_chart->tvDoubleClick(m_chart->model()->index(1, 0));
        QCOMPARE(g_songInfo(m_chart->model()->item(1))->count, 2);
        // The engine's stepping does not count.
        spis s;
        QVERIFY(m_pages.getRealNextSongandSelIt(PlayingListId::kMostPlayed, s));
        QCOMPARE(m_chart->curPlayingRow(), 0);
        QCOMPARE(g_songInfo(m_chart->model()->item(0))->count, 1);
    }

    void contextClearAsksNothingAndStops()
    {
        g_nPlayingListId = PlayingListId::kPlayQueue;
        fillNet(2);
        m_recent->addPlayedSong(m_queue->model()->item(0));
        m_recent->addPlayedSong(m_queue->model()->item(1));
        m_recent->playTheListSong(m_recent->model()->index(0, 0), true);
        m_recent->clearTheList();
        QCOMPARE(m_recent->rowCount(), 0);
        QCOMPARE(g_nPlayingListId, PlayingListId::kNone);
        QVERIFY(!m_seam->calls.join('\n').contains(QStringLiteral("box:")));
    }

    void errorSongsGoNetworkRowsStay()
    {
        g_nPlayingListId = PlayingListId::kPlayQueue;
        const QString gone = m_dir.filePath(QStringLiteral("gone-later.mp3"));
        QVERIFY(QFile::copy(m_good, gone));
        m_queue->addSongstoList({m_good, gone}, false, false, 0);
        fillNet(1);
        for (int row = 0; row < 3; ++row)
            m_recent->addPlayedSong(m_queue->model()->item(row));
        QVERIFY(QFile::remove(gone));
        m_recent->delErrSong();
        QCOMPARE(titles(*m_recent), (QStringList{"s0", "一"}));
    }
};

KVR_TEST_MAIN(TestQueuePages)
#include "tst_playqueue.moc"
