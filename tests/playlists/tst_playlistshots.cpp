// The three song-list pages as the user sees them, dressed with the installed style sheet: rows of
// local, network, downloaded and missing songs, the playing row, a selected row and a hovered
// network row with its buttons. Saves pictures into <build>/screenshots (2x/ at twice the scale)
// and checks what a picture can show wrong: row colours, cut texts, the empty queue's placeholder.

#include "KvrTestMain.h"
#include "WindowScreenshots.h"

#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/WgtPlaylistChart.h"
#include "playlists/WgtPlaylistRecent.h"
#include "playlists/kvrListView.h"
#include "services/core/Globals.h"
#include "services/core/SongConstants.h"
#include "services/playback/PlaybackGlobals.h"
#include "settings/CDManager.h"
#include "shell/ListEmptyForm.h"

#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

_tag_playlistsonginfo_ *row(int type, const QString &artist, const QString &title, const QString &path,
                            const QString &album = QString())
{
    auto *info = new _tag_playlistsonginfo_;
    info->type = type;
    info->artist = artist;
    info->title = title;
    info->filePath = path;
    info->sAlbumName = album;
    info->Duartion = QStringLiteral("03:27");
    info->bytesize = type == SongType::kNetwork ? QStringLiteral("4404019") : QStringLiteral("0");
    info->id = type == SongType::kNetwork ? QStringLiteral("31415") : QString();
    info->count = 3;
    return info;
}

QColor pixelAt(const QImage &image, const QPoint &logical)
{
    return image.pixelColor((QPointF(logical) * image.devicePixelRatio()).toPoint());
}

} // namespace

class TestPlaylistShots : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<CDManager> m_folders;
    QString m_local;

    void fill(WgtPlaylistBase &page)
    {
        QList<QStandardItem *> items;
        items << g_newSongItem(row(SongType::kLocal, QStringLiteral("林忆"), QStringLiteral("夜空中最亮的星"),
                                   m_local, QStringLiteral("青春纪念册")))
              << g_newSongItem(row(SongType::kNetwork, QStringLiteral("周小伦"), QStringLiteral("晴天"),
                                   QStringLiteral("31415")))
              << g_newSongItem(row(SongType::kNetwork, QStringLiteral("陈一"), QStringLiteral("已下载的歌"),
                                   QStringLiteral("27182"), QStringLiteral("下载专辑")))
              << g_newSongItem(row(SongType::kLocal, QString(), QStringLiteral("文件已删除的歌"),
                                   m_dir.filePath(QStringLiteral("gone.mp3"))))
              << g_newSongItem(row(SongType::kNetwork, QStringLiteral("一个名字非常非常长的乐队组合"),
                                   QStringLiteral("一首名字非常非常长以至于在歌曲这一栏里放不下的歌"),
                                   QStringLiteral("16180"),
                                   QStringLiteral("一张专辑名也很长很长很长的专辑")));
        for (int i = 0; i < 6; ++i)
            items << g_newSongItem(row(SongType::kLocal, QStringLiteral("歌手%1").arg(i),
                                       QStringLiteral("第%1首歌").arg(i + 1), m_local));
        page.model()->invisibleRootItem()->appendRows(items);
    }

    void shoot(WgtPlaylistBase &page, const QString &name)
    {
        QVERIFY(WindowScreenshots::settle(&page));
        page.resize(1000, 480);
        fill(page);
        // As the main window mirrors the count into the page.
        page.onGeQuSHu(QStringLiteral("共%1首歌曲").arg(page.rowCount()));
        g_nPlayingListId = page.listId();
        page.setCurPlayingRow(1, true);
        page.listView()->selectionModel()->select(page.model()->index(3, 0), QItemSelectionModel::Select);
        // The cursor over the download button of the long network row.
        const QRect hovered = page.listView()->visualRect(page.model()->index(4, 0));
        const QPoint button = hovered.topLeft() + QPoint(327, 14);
        QTest::mouseMove(page.listView()->viewport(), button);
        QCursor::setPos(page.listView()->viewport()->mapToGlobal(button));
        QTest::qWait(50);
        const QImage shot = page.grab().toImage();
        QVERIFY(WindowScreenshots::save(shot, name));
        QCOMPARE(WindowScreenshots::clippedText(&page), QString());

        const QPoint listTopLeft = page.listView()->mapTo(&page, QPoint(0, 0));
        auto rowPixel = [&](int r) {
            const QRect rect = page.listView()->visualRect(page.model()->index(r, 0));
            return pixelAt(shot, listTopLeft + QPoint(rect.right() - 20, rect.center().y()));
        };
        QCOMPARE(rowPixel(1), QColor(90, 152, 30));  // playing
        QCOMPARE(rowPixel(3), QColor(100, 170, 35)); // selected
        QVERIFY(rowPixel(0) != rowPixel(1));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(WindowScreenshots::dressApplication());
        g_sDataDir = m_dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(g_sDataDir));
        // The folder manager finds downloaded copies for the rows' mark.
        m_folders = std::make_unique<CDManager>();
        CD_MANAGER = m_folders.get();
        m_folders->m_sDownDir = m_dir.filePath(QStringLiteral("down"));
        QVERIFY(QDir().mkpath(m_folders->m_sDownDir));
        m_local = m_dir.filePath(QStringLiteral("本地.mp3"));
        QFile local(m_local);
        QVERIFY(local.open(QIODevice::WriteOnly));
        QFile downloaded(m_folders->m_sDownDir + QStringLiteral("/陈一 - 已下载的歌.mp3"));
        QVERIFY(downloaded.open(QIODevice::WriteOnly));
    }

    void cleanupTestCase() { m_folders.reset(); }

    void emptyQueueShowsItsPlaceholder()
    {
        WgtPlaylistAll page;
        QVERIFY(WindowScreenshots::settle(&page));
        page.resize(1000, 480);
        QApplication::processEvents();
        auto *empty = page.findChild<ListEmptyForm *>();
        QVERIFY(empty && empty->isVisible());
        QCOMPARE(empty->geometry(), page.rect());
        QVERIFY(WindowScreenshots::save(page.grab().toImage(), QStringLiteral("playqueue-empty")));
        page.addNetSongintoModel(QStringLiteral("1"), QStringLiteral("歌手-歌"), QString(),
                                 QStringLiteral("idvalid"), QString(), false);
        QVERIFY(!empty->isVisible());
    }

    void playQueue()
    {
        WgtPlaylistAll page;
        shoot(page, QStringLiteral("playqueue"));
    }

    void recentlyPlayed()
    {
        WgtPlaylistRecent page;
        shoot(page, QStringLiteral("recently-played"));
    }

    void mostPlayed()
    {
        WgtPlaylistChart page;
        shoot(page, QStringLiteral("most-played"));
    }
};

KVR_TEST_MAIN(TestPlaylistShots)
#include "tst_playlistshots.moc"
