// The song-row and group-row painters as the lists use them: rows of a real kvrListView (or, for
// the playing row, of the play queue page) over a QStandardItemModel holding records, grabbed to
// a picture for backgrounds, lines and pictures, and painted once more into a recording device
// for the texts, where they stand and in which colour.

#include "KvrTestMain.h"
#include "RowPaintLog.h"

#include "audio/kvraudio.h"
#include "library/FavGroupInfo.h"
#include "library/LocalGroupRecord.h"
#include "playlists/Delegate4ListView.h"
#include "playlists/Delegate4ListView2.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/kvrListView.h"
#include "services/core/EncipheredFile.h"
#include "services/core/FavSongInfo.h"
#include "services/core/Globals.h"
#include "services/core/LocalSongInfo.h"
#include "services/core/SongConstants.h"
#include "services/pictures/albumPicHandler.h"
#include "services/pictures/gedanPicHandler.h"
#include "services/pictures/singerHandler.h"
#include "services/playback/PlaybackGlobals.h"
#include "settings/CDManager.h"

#include <QBuffer>
#include <QDir>
#include <QDomDocument>
#include <QLabel>
#include <QMovie>
#include <QPaintEngine>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextItem>
#include <QtTest>

#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace RowPaintLog;

QString savePng(const QString &folder, const QString &name, const QColor &colour,
                const QSize &size = {64, 48})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = folder + QLatin1Char('/') + name;
    return image.save(path, "PNG") ? name : QString();
}

QByteArray pngBytes(const QColor &colour)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// ---- Rows ----

const QColor kEven(250, 248, 240);
const QColor kOdd(230, 236, 233);
const QColor kSelected(100, 170, 35);
const QColor kPlaying(90, 152, 30);
const QColor kGrey66(0x66, 0x66, 0x66);
const QColor kGreyCC(0xcc, 0xcc, 0xcc);
const QColor kFourth(183, 182, 182);
const QColor kWhite(Qt::white);

enum class Song
{
    LocalFile,      // kind 0, file exists
    LocalGone,      // kind 0, file deleted
    Favourite,      // kind 1
    QueueNetwork,   // kinds 2 and 3, type 2
    QueueLocal,     // kinds 2 and 3, type 3, file exists
    QueueLocalGone, // kinds 2 and 3, type 3, file deleted
};

enum RowState
{
    Plain = 0,
    Selected = 1,
    Hovered = 2,
    Playing = 4
};

// A song list as a page builds it: the view, its model, the delegate with the wide columns.
// The playing row needs the play queue page itself, since the painter asks the page.
struct SongList
{
    std::unique_ptr<QWidget> top;
    kvrListView *view = nullptr;
    QStandardItemModel *model = nullptr;
    Delegate4ListView *delegate = nullptr;
    WgtPlaylistBase *page = nullptr;
    std::unique_ptr<QStandardItemModel> ownModel;
    std::vector<std::unique_ptr<_tag_localsonginfo_>> locals;
    std::vector<std::unique_ptr<_tag_favsonginfo_>> favourites;
    std::vector<std::unique_ptr<_tag_playlistsonginfo_>> queued; // rows of a bare list; a page owns its own

    static std::unique_ptr<SongList> bare(int kind, int textLeft, bool allFavView)
    {
        auto list = std::make_unique<SongList>();
        auto *view = new kvrListView(nullptr);
        list->top.reset(view);
        list->view = view;
        list->ownModel = std::make_unique<QStandardItemModel>();
        list->model = list->ownModel.get();
        view->setModel(list->model);
        list->delegate = new Delegate4ListView(view, textLeft);
        list->delegate->setRects(10, 380, 570, 825);
        list->delegate->m_nListKind = kind;
        view->setItemDelegate(list->delegate);
        if (allFavView)
            view->setWhatsThis(QStringLiteral("歌单全部歌曲"));
        view->resize(1000, 200);
        return list;
    }

    static std::unique_ptr<SongList> playQueue()
    {
        auto list = std::make_unique<SongList>();
        auto *page = new WgtPlaylistAll;
        list->top.reset(page);
        list->page = page;
        list->view = page->listView();
        list->model = page->model();
        list->delegate = page->delegate();
        page->resize(1000, 300);
        return list;
    }

    ~SongList()
    {
        // The model's rows point at records that go with this object: no repaint after them.
        top.reset();
    }

    QRect rowRect(int row) const { return view->visualRect(model->index(row, 0)); }
};

struct SongTexts
{
    QString title = QStringLiteral("T-title");
    QString artist = QStringLiteral("T-artist");
    QString album = QStringLiteral("T-album");
};

} // namespace

Q_DECLARE_METATYPE(Song)

class TestRowDelegates : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_existing;
    QString m_gone;
    std::unique_ptr<CDManager> m_folders;

    // Appends a row of the list's kind; the play-list pages own their records, the others are
    // kept by the list.
    void addRow(SongList &list, Song song, const SongTexts &texts = {})
    {
        switch (song) {
        case Song::LocalFile:
        case Song::LocalGone: {
            auto record = std::make_unique<_tag_localsonginfo_>();
            record->filepathname = song == Song::LocalFile ? m_existing : m_gone;
            record->title = texts.title;
            record->artist = texts.artist;
            record->album = texts.album;
            record->sDur = QStringLiteral("03:27");
            auto *item = new QStandardItem;
            item->setData(QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(record.get()))),
                          kSongInfoRole);
            list.locals.push_back(std::move(record));
            list.model->appendRow(item);
            break;
        }
        case Song::Favourite: {
            auto record = std::make_unique<_tag_favsonginfo_>();
            record->mid = QStringLiteral("1001");
            record->mname = texts.title;
            record->gsname = texts.artist;
            record->zjname = texts.album;
            record->mp3time = QStringLiteral("04:05");
            record->sGedanName = QStringLiteral("T-list");
            auto *item = new QStandardItem;
            item->setData(QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(record.get()))),
                          kSongInfoRole);
            list.favourites.push_back(std::move(record));
            list.model->appendRow(item);
            break;
        }
        case Song::QueueNetwork:
        case Song::QueueLocal:
        case Song::QueueLocalGone: {
            auto *info = new _tag_playlistsonginfo_;
            info->type = song == Song::QueueNetwork ? SongType::kNetwork : SongType::kLocal;
            info->filePath = song == Song::QueueNetwork ? QStringLiteral("31415")
                             : song == Song::QueueLocal ? m_existing
                                                        : m_gone;
            info->id = song == Song::QueueNetwork ? QStringLiteral("31415") : QString();
            info->title = texts.title;
            info->artist = texts.artist;
            info->sAlbumName = texts.album;
            info->Duartion = QStringLiteral("03:27");
            info->count = 7;
            list.model->appendRow(g_newSongItem(info));
            if (!list.page)
                list.queued.emplace_back(info);
            break;
        }
        }
    }

    static bool show(SongList &list)
    {
        list.top->show();
        return QTest::qWaitForWindowExposed(list.top.get());
    }

    static void moveCursor(SongList &list, const QPoint &inView)
    {
        RowPaintLog::moveCursor(list.view, inView);
    }
    static void parkCursor(SongList &list) { RowPaintLog::parkCursor(list.view); }
    static QImage shoot(SongList &list) { return RowPaintLog::shoot(list.view); }
    static std::unique_ptr<PaintLog> record(SongList &list) { return RowPaintLog::record(list.view); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_sDataDir = m_dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(g_sDataDir));
        // Colours of our own, so a row that ignores the style variables shows.
        g_sStyleVars = QStringLiteral("/* wplNormal:250,248,240;wplAlter:230,236,233;zspLeft:1,2,3; */");
        m_existing = m_dir.filePath(QStringLiteral("有.mp3"));
        m_gone = m_dir.filePath(QStringLiteral("没有.mp3"));
        QFile existing(m_existing);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        m_folders = std::make_unique<CDManager>();
        CD_MANAGER = m_folders.get();
        QVERIFY(QDir().mkpath(CD_MANAGER->getDownDir()));
        QVERIFY(BASS_Init(0, 44100, 0, nullptr, nullptr));
    }

    void cleanupTestCase()
    {
        BASS_Free();
        CD_MANAGER = nullptr;
        m_folders.reset();
    }

    void init() { g_nPlayingListId = PlayingListId::kNone; }

    void styleColours_data()
    {
        QTest::addColumn<QString>("vars");
        QTest::addColumn<QColor>("even");
        QTest::addColumn<QColor>("odd");
        QTest::newRow("both set") << QStringLiteral("wplNormal:1,2,3;wplAlter:4,5,6;") << QColor(1, 2, 3)
                                  << QColor(4, 5, 6);
        QTest::newRow("missing gives white")
            << QStringLiteral("wplAlter:4,5,6;") << kWhite << QColor(4, 5, 6);
        QTest::newRow("no style text") << QString() << kWhite << kWhite;
        QTest::newRow("short or wrong parts read as 0")
            << QStringLiteral("wplNormal:12,34;wplAlter:x,300,-4;") << QColor(12, 34, 0) << QColor(0, 255, 0);
    }

    // The two row colours come from the style variables when the painter is made.
    void styleColours()
    {
        QFETCH(QString, vars);
        QFETCH(QColor, even);
        QFETCH(QColor, odd);
        const QString saved = g_sStyleVars;
        g_sStyleVars = vars;
        auto list = SongList::bare(0, 0, false);
        g_sStyleVars = saved;
        addRow(*list, Song::LocalFile);
        addRow(*list, Song::LocalFile);
        QVERIFY(show(*list));
        parkCursor(*list);
        const QImage shot = shoot(*list);
        QCOMPARE(shot.pixelColor(700, list->rowRect(0).center().y()), even);
        QCOMPARE(shot.pixelColor(700, list->rowRect(1).center().y()), odd);
    }

    void geometry_data()
    {
        QTest::addColumn<QList<int>>("columns");
        QTest::addColumn<QSize>("row");
        QTest::addColumn<QRect>("zone");
        QTest::newRow("before setRects")
            << QList<int>() << QSize(366, 30) << QRect(QPoint(60, 7), QPoint(75, 22));
        QTest::newRow("wide columns")
            << QList<int>{10, 380, 570, 825} << QSize(891, 30) << QRect(QPoint(320, 7), QPoint(335, 22));
        QTest::newRow("narrow columns")
            << QList<int>{10, 250, 390, 600} << QSize(666, 30) << QRect(QPoint(190, 7), QPoint(205, 22));
    }

    // Every row is x3 + 66 by 30 whatever it holds; the button zone follows the second column.
    void geometry()
    {
        QFETCH(QList<int>, columns);
        QFETCH(QSize, row);
        QFETCH(QRect, zone);
        kvrListView view(nullptr);
        QStandardItemModel model;
        view.setModel(&model);
        auto *delegate = new Delegate4ListView(&view, 0);
        QCOMPARE(delegate->parent(), &view);
        if (!columns.isEmpty())
            delegate->setRects(columns[0], columns[1], columns[2], columns[3]);
        view.setItemDelegate(delegate);
        std::vector<std::unique_ptr<_tag_localsonginfo_>> records;
        for (const QString &title :
             {QString(), QStringLiteral("一首名字非常非常长以至于在歌曲这一栏里放不下的歌")}) {
            records.push_back(std::make_unique<_tag_localsonginfo_>());
            records.back()->title = title;
            auto *item = new QStandardItem;
            item->setData(QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(records.back().get()))),
                          kSongInfoRole);
            model.appendRow(item);
        }
        QCOMPARE(delegate->m_rectBtn, zone);
        view.resize(1000, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int r = 0; r < model.rowCount(); ++r) {
            QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), model.index(r, 0)), row);
            QCOMPARE(view.visualRect(model.index(r, 0)).height(), 30);
            QCOMPARE(view.visualRect(model.index(r, 0)).top(), 30 * r);
        }
        QVERIFY(view.hasMouseTracking());
        QCOMPARE(view.selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view.focusPolicy(), Qt::ClickFocus);
    }

    void songRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("allFavView");
        QTest::addColumn<Song>("song");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("cursorZone"); // 0: in the row, off the buttons
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QStringList>("buttons"); // zone 1 and zone 2 pictures; empty: none
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("fourth");

        const QString local = QStringLiteral(":/qss/debug/images/btnimage/local/");
        const QString pl = QStringLiteral(":/qss/debug/images/btnimage/pl/");
        const QStringList none;
        auto pics = [](const QString &folder, const char *one, const char *two) {
            return QStringList{folder + QLatin1String(one) + QStringLiteral(".png"),
                               folder + QLatin1String(two) + QStringLiteral(".png")};
        };

        QTest::newRow("even row") << 0 << false << Song::LocalFile << 0 << int(Plain) << 0 << kEven << none
                                  << kGrey66 << kFourth;
        QTest::newRow("odd row") << 0 << false << Song::LocalFile << 1 << int(Plain) << 0 << kOdd << none
                                 << kGrey66 << kFourth;
        QTest::newRow("hovered odd row, cursor off the buttons")
            << 0 << false << Song::LocalFile << 1 << int(Hovered) << 0 << kOdd
            << pics(local, "playing_normal", "more_op_normal") << kGrey66 << kFourth;
        QTest::newRow("hovered, cursor on play")
            << 0 << false << Song::LocalFile << 0 << int(Hovered) << 1 << kEven
            << pics(local, "playing_hover", "more_op_normal") << kGrey66 << kFourth;
        QTest::newRow("hovered, cursor on more")
            << 0 << false << Song::LocalFile << 0 << int(Hovered) << 2 << kEven
            << pics(local, "playing_normal", "more_op_hover") << kGrey66 << kFourth;
        QTest::newRow("selected, cursor on more")
            << 0 << false << Song::LocalFile << 1 << int(Selected) << 2 << kSelected
            << pics(local, "playing_selected__Normal", "more_op_selected_hover") << kWhite << kWhite;
        QTest::newRow("selected, cursor on play")
            << 0 << false << Song::LocalFile << 0 << int(Selected) << 1 << kSelected
            << pics(local, "playing_selected_hover", "more_selected__Normal") << kWhite << kWhite;
        QTest::newRow("file gone") << 0 << false << Song::LocalGone << 0 << int(Plain) << 0 << kEven << none
                                   << kGreyCC << kFourth;
        QTest::newRow("file gone, selected")
            << 0 << false << Song::LocalGone << 0 << int(Selected) << 0 << kSelected
            << pics(local, "playing_selected__Normal", "more_selected__Normal") << kGreyCC << kGreyCC;
        QTest::newRow("favourite, hovered on play")
            << 1 << false << Song::Favourite << 0 << int(Hovered) << 1 << kEven
            << pics(local, "playing_hover", "more_op_normal") << kGrey66 << kFourth;
        QTest::newRow("all favourite songs, hovered on play")
            << 1 << true << Song::Favourite << 0 << int(Hovered) << 1 << kEven
            << pics(local, "playing_hover", "more_op_normal") << kGrey66 << kFourth;
        QTest::newRow("all favourite songs, selected on more")
            << 1 << true << Song::Favourite << 1 << int(Selected) << 2 << kSelected
            << pics(local, "playing_selected__Normal", "more_op_selected_hover") << kWhite << kWhite;
        QTest::newRow("queue network song, hovered on download")
            << 2 << false << Song::QueueNetwork << 0 << int(Hovered) << 1 << kEven
            << pics(pl, "liebiao_down3", "liebiao_love1") << kGrey66 << kFourth;
        QTest::newRow("queue network song, hovered on favourite")
            << 2 << false << Song::QueueNetwork << 1 << int(Hovered) << 2 << kOdd
            << pics(pl, "liebiao_down1", "liebiao_love3") << kGrey66 << kFourth;
        QTest::newRow("queue network song, selected on favourite")
            << 2 << false << Song::QueueNetwork << 0 << int(Selected) << 2 << kSelected
            << pics(pl, "downSelect_normal", "liebiao_love2") << kWhite << kWhite;
        QTest::newRow("queue local song, hovered on download")
            << 2 << false << Song::QueueLocal << 0 << int(Hovered) << 1 << kEven << none << kGrey66
            << kFourth;
        QTest::newRow("queue local song, selected") << 2 << false << Song::QueueLocal << 0 << int(Selected)
                                                    << 1 << kSelected << none << kWhite << kWhite;
        QTest::newRow("queue local file gone") << 2 << false << Song::QueueLocalGone << 1 << int(Plain) << 0
                                               << kOdd << none << kGreyCC << kFourth;
        QTest::newRow("queue network song playing, cursor elsewhere")
            << 2 << false << Song::QueueNetwork << 1 << int(Playing) << -1 << kPlaying
            << pics(pl, "downSelect_normal", "loveSelect_normal") << kWhite << kWhite;
        QTest::newRow("queue network song playing and selected, on download")
            << 2 << false << Song::QueueNetwork << 0 << int(Playing | Selected) << 1 << kPlaying
            << pics(pl, "liebiao_down2", "loveSelect_normal") << kWhite << kWhite;
        QTest::newRow("most played network song, hovered")
            << 3 << false << Song::QueueNetwork << 0 << int(Hovered) << 0 << kEven
            << pics(pl, "liebiao_down1", "liebiao_love1") << kGrey66 << kFourth;
    }

    // Background, bottom line, buttons and text colours of one row in each state that matters.
    void songRows()
    {
        QFETCH(int, kind);
        QFETCH(bool, allFavView);
        QFETCH(Song, song);
        QFETCH(int, row);
        QFETCH(int, state);
        QFETCH(int, cursorZone);
        QFETCH(QColor, background);
        QFETCH(QStringList, buttons);
        QFETCH(QColor, text);
        QFETCH(QColor, fourth);

        std::unique_ptr<SongList> list =
            (state & Playing) ? SongList::playQueue() : SongList::bare(kind, 22, allFavView);
        QCOMPARE(list->delegate->m_nListKind, kind);
        // The row under test is the last one: painting a row below the playing row would hide the
        // playing mark again.
        for (int r = 0; r < row; ++r)
            addRow(*list, song == Song::QueueLocalGone ? Song::QueueLocal : song);
        addRow(*list, song);
        QVERIFY(show(*list));
        const QModelIndex index = list->model->index(row, 0);
        if (state & Playing) {
            g_nPlayingListId = PlayingListId::kPlayQueue;
            QCOMPARE(WgtPlaylistBase::forListId(PlayingListId::kPlayQueue), list->page);
            list->page->setCurPlayingRow(row, true);
        }
        if (state & Selected)
            list->view->selectionModel()->select(index, QItemSelectionModel::Select);

        const QRect rect = list->rowRect(row);
        const int shift = allFavView ? 132 : 0;
        const QRect zone1 = list->delegate->m_rectBtn.translated(rect.topLeft());
        // The zones are tested against the cursor in the view's coordinates (not its viewport's),
        // as the pages' click handlers do. A cursor in a zone also hovers the row, which only
        // shows on rows that are neither selected nor playing.
        if (state & Hovered || cursorZone > 0) {
            const QPoint at = cursorZone == 1   ? zone1.center() - QPoint(shift, 0)
                              : cursorZone == 2 ? zone1.center() + QPoint(22 - shift, 0)
                                                : QPoint(rect.left() + 700, rect.center().y());
            moveCursor(*list, at);
        } else {
            parkCursor(*list);
        }
        QCoreApplication::processEvents();

        // x 520 lies between the artist and the album in both layouts. On a real X server the
        // pointer's move reaches the view a moment later.
        QTRY_COMPARE(shoot(*list).pixelColor(520, rect.bottom()), state == Hovered ? kPlaying : background);
        const QImage shot = shoot(*list);
        QCOMPARE(shot.pixelColor(520, rect.center().y()), background);

        const QRect first(380 - 60 - shift, rect.top() + 7, 16, 16);
        const QRect second = first.translated(22, 0);
        if (buttons.isEmpty()) {
            QCOMPARE(block(shot, first), solid(first.size(), background));
            QCOMPARE(block(shot, second), solid(second.size(), background));
        } else {
            QCOMPARE(block(shot, first), onBackground(resourceImage(buttons[0]), background));
            QCOMPARE(block(shot, second), onBackground(resourceImage(buttons[1]), background));
        }

        const QList<DrawnText> texts = record(*list)->textsIn(rect);
        const auto title = textAt(texts, QStringLiteral("T-title"));
        QVERIFY(title);
        QCOMPARE(title->colour, text);
        QCOMPARE(textAt(texts, QStringLiteral("T-artist"))->colour, text);
        QCOMPARE(textAt(texts, QStringLiteral("T-album"))->colour, text);
        const QString fourthText = kind == 3   ? QStringLiteral("7")
                                   : kind == 1 ? QStringLiteral("04:05")
                                               : QStringLiteral("03:27");
        QVERIFY(textAt(texts, fourthText));
        QCOMPARE(textAt(texts, fourthText)->colour, fourth);

        if (state & Playing) {
            QLabel *mark = list->delegate->m_lblPlaying;
            QVERIFY(mark);
            QCOMPARE(mark->parentWidget(), list->view);
            QCOMPARE(mark->geometry(), QRect(8, rect.top() + 11, 14, 8));
            QCOMPARE(mark->whatsThis(), QStringLiteral("2"));
            QVERIFY(mark->isVisible());
            QVERIFY(mark->movie() && mark->movie()->state() == QMovie::Running);
        }
    }

    void rowTexts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("allFavView");
        QTest::addColumn<int>("textLeft");
        QTest::addColumn<Song>("song");
        QTest::addColumn<QStringList>("fields"); // title, artist, album
        QTest::addColumn<QStringList>("texts");  // as drawn, left to right by the painter's order
        QTest::addColumn<QList<int>>("xs");

        const QStringList fields{QStringLiteral("T-title"), QStringLiteral("T-artist"),
                                 QStringLiteral("T-album")};
        QTest::newRow("library song")
            << 0 << false << 0 << Song::LocalFile << fields
            << QStringList{"T-title", "T-artist", "T-album", "03:27"} << QList<int>{10, 380, 570, 825};
        QTest::newRow("no title, artist or album")
            << 0 << false << 0 << Song::LocalFile << QStringList{QString(), QString(), QString()}
            << QStringList{QStringLiteral("未知艺术家"), QStringLiteral("未知专辑"), "03:27"}
            << QList<int>{380, 570, 825};
        QTest::newRow("favourite song")
            << 1 << false << 0 << Song::Favourite << fields
            << QStringList{"T-title", "T-artist", "T-album", "04:05"} << QList<int>{10, 380, 570, 825};
        QTest::newRow("all favourite songs: the list's name last")
            << 1 << true << 0 << Song::Favourite << fields
            << QStringList{"T-title", "T-artist", "T-album", "04:05", "T-list"}
            << QList<int>{10, 250, 440, 675, 769};
        QTest::newRow("play queue: room for the playing mark")
            << 2 << false << 22 << Song::QueueNetwork << fields
            << QStringList{"T-title", "T-artist", "T-album", "03:27"} << QList<int>{32, 380, 570, 825};
        QTest::newRow("most played: the play count")
            << 3 << false << 22 << Song::QueueLocal << fields
            << QStringList{"T-title", "T-artist", "T-album", "7"} << QList<int>{32, 380, 570, 825};
    }

    // Which texts a row shows, where, with the fallbacks for empty fields.
    void rowTexts()
    {
        QFETCH(int, kind);
        QFETCH(bool, allFavView);
        QFETCH(int, textLeft);
        QFETCH(Song, song);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, xs);

        auto list = SongList::bare(kind, textLeft, allFavView);
        addRow(*list, song, {fields[0], fields[1], fields[2]});
        QVERIFY(show(*list));
        parkCursor(*list);
        const QRect rect = list->rowRect(0);
        const QList<DrawnText> drawn = record(*list)->textsIn(rect);
        QStringList drawnTexts;
        QList<int> drawnXs;
        for (const DrawnText &t : drawn) {
            drawnTexts << t.text;
            drawnXs << qRound(t.at.x());
        }
        QCOMPARE(drawnTexts, texts);
        QCOMPARE(drawnXs, xs);
        // Texts start 7 px below the row's top.
        QFont font = QApplication::font();
        font.setPixelSize(12);
        for (const DrawnText &t : drawn)
            QCOMPARE(qRound(t.at.y()), rect.top() + 7 + QFontMetrics(font).ascent());
    }

    // A title too long for its column is cut with an ellipsis, measured at 14 px.
    void longTitleIsElided()
    {
        auto list = SongList::bare(0, 0, false);
        const QString title =
            QStringLiteral("一首名字非常非常长以至于在歌曲这一栏里怎么也放不下的歌，还要再长一点");
        addRow(*list, Song::LocalFile, {title, QStringLiteral("A"), QStringLiteral("B")});
        QVERIFY(show(*list));
        // A text mixing scripts reaches the device as one item per font: join the title's items.
        QString shown;
        for (const DrawnText &t : record(*list)->textsIn(list->rowRect(0)))
            if (t.at.x() < 380)
                shown += t.text;
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(shown.size() > 2 && title.startsWith(shown.chopped(1)));
        QFont font = QApplication::font();
        font.setPixelSize(14);
        QVERIFY(QFontMetrics(font).horizontalAdvance(shown) <= 380 - 10 - 60);
    }

    // Moving within one row repaints it, so the buttons follow the cursor from zone to zone.
    void cursorMovesBetweenZones()
    {
        auto list = SongList::bare(0, 0, false);
        addRow(*list, Song::LocalFile);
        QVERIFY(show(*list));
        const QRect rect = list->rowRect(0);
        const QRect zone1 = list->delegate->m_rectBtn.translated(rect.topLeft());
        moveCursor(*list, zone1.center());
        const QRect first(320, rect.top() + 7, 16, 16);
        const QImage onPlay =
            onBackground(resourceImage(":/qss/debug/images/btnimage/local/playing_hover.png"), kEven);
        const QImage offPlay =
            onBackground(resourceImage(":/qss/debug/images/btnimage/local/playing_normal.png"), kEven);
        QCOMPARE(block(shoot(*list), first), onPlay);

        // What the view repaints on its own when the cursor moves to zone 2 of the same row.
        QRegion repainted;
        struct Watch : QObject
        {
            QRegion *region;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    *region += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } watch;
        watch.region = &repainted;
        list->view->viewport()->installEventFilter(&watch);
        moveCursor(*list, zone1.center() + QPoint(22, 0));
        QTRY_VERIFY(repainted.contains(first.center()));
        list->view->viewport()->removeEventFilter(&watch);
        QCOMPARE(block(shoot(*list), first), offPlay);
    }

    void downloadedMark_data()
    {
        QTest::addColumn<QString>("albumBefore");
        QTest::addColumn<QString>("tagAlbum"); // empty: the file has no album tag
        QTest::addColumn<QString>("albumAfter");
        QTest::newRow("unknown album learned")
            << QStringLiteral("未知专辑") << QStringLiteral("学到的专辑") << QStringLiteral("学到的专辑");
        QTest::newRow("empty album learned")
            << QString() << QStringLiteral("学到的专辑") << QStringLiteral("学到的专辑");
        QTest::newRow("known album kept")
            << QStringLiteral("原来的专辑") << QStringLiteral("学到的专辑") << QStringLiteral("原来的专辑");
        QTest::newRow("file without album tag") << QString() << QString() << QStringLiteral("未知专辑");
    }

    // A play-list song whose copy is in the download folder shows the downloaded mark after its
    // title, and takes the album from the copy's tags when it has none; the row shows it from the
    // next paint on.
    void downloadedMark()
    {
        QFETCH(QString, albumBefore);
        QFETCH(QString, tagAlbum);
        QFETCH(QString, albumAfter);
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("the ffmpeg command is not installed");

        const QString artist = QStringLiteral("歌手甲");
        const QString title = QStringLiteral("下载过的歌%1").arg(QTest::currentDataTag());
        const QString file = CD_MANAGER->getDownDir() + QLatin1Char('/') + artist + QStringLiteral(" - ") +
                             title + QStringLiteral(".mp3");
        QStringList arguments{"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1"};
        if (!tagAlbum.isEmpty())
            arguments << "-metadata" << QStringLiteral("album=") + tagAlbum;
        arguments << "-y" << file;
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
        QVERIFY(ffmpeg.waitForFinished(30000) && ffmpeg.exitCode() == 0);

        // The rows come after the view is up, so the paint recorded here is their first.
        auto list = SongList::bare(2, 22, false);
        QVERIFY(show(*list));
        parkCursor(*list);
        QCoreApplication::processEvents();
        addRow(*list, Song::QueueNetwork, {title, artist, albumBefore});
        addRow(*list, Song::QueueNetwork, {QStringLiteral("没下载的歌"), artist, QString()});
        const QRect rect = list->rowRect(0);

        const std::unique_ptr<PaintLog> first = record(*list);
        const QString shownBefore = albumBefore.isEmpty() ? QStringLiteral("未知专辑") : albumBefore;
        QVERIFY(textAt(first->textsIn(rect), shownBefore));
        QCOMPARE(g_songInfo(list->model->index(0, 0))->sAlbumName, albumAfter);

        // The mark: after the title as the 14 px font measures it, 3 px below the text's top.
        QFont font = QApplication::font();
        font.setPixelSize(14);
        const QImage mark = resourceImage(QStringLiteral(":/rs/download_ok"));
        QVERIFY(!mark.isNull());
        QList<QPointF> marks;
        for (const DrawnPixmap &p : std::as_const(first->pixmaps))
            if (p.image.convertToFormat(QImage::Format_ARGB32_Premultiplied) == mark)
                marks << p.target.topLeft();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks.first(),
                 QPointF(10 + 22 + QFontMetrics(font).horizontalAdvance(title) + 1, rect.top() + 10));

        // The next paint shows what was learned.
        QVERIFY(textAt(record(*list)->textsIn(rect), albumAfter));
    }

    void groupRows_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("modes"); // d device, s singer, f folder
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("group");   // which record the row holds
        QTest::addColumn<QString>("picture"); // resource path, or "#rrggbb" for a loaded picture; "" none
        QTest::addColumn<int>("pictureTop");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("learned"); // the picture file or cover the record keeps after

        const QString tp = QStringLiteral(":/qss/debug/images/btnimage/tp/");
        const auto names = [](const char *name) {
            return QStringList{QString::fromUtf8(name), QStringLiteral("5首")};
        };
        QTest::newRow("album with its picture file") << 0 << ""
                                                     << ""
                                                     << "album-own"
                                                     << "#ff0000" << 4 << names("组名") << "red.png";
        QTest::newRow("album found by name") << 0 << ""
                                             << ""
                                             << "album-named"
                                             << "#0000ff" << 4 << names("有图的专辑") << "blue.png";
        QTest::newRow("album takes its first unflagged song's picture")
            << 0 << ""
            << ""
            << "album-songs"
            << "#00ff00" << 4 << names("无图的专辑") << "green.png";
        QTest::newRow("album without picture")
            << 0 << ""
            << ""
            << "album-none" << tp + "noAlbumPic.png" << 4 << names("无图的专辑") << "";
        QTest::newRow("album picture file unreadable") << 0 << ""
                                                       << ""
                                                       << "album-broken"
                                                       << "" << 4 << names("组名") << "broken.png";
        QTest::newRow("singer found") << 0 << "s"
                                      << ""
                                      << "singer-known"
                                      << "#ff00ff" << 4 << names("有图的歌手") << "magenta.png";
        QTest::newRow("singer unknown")
            << 0 << "s"
            << ""
            << "singer-unknown" << tp + "noSingerPic.png" << 4 << names("组名") << "";
        QTest::newRow("local folder")
            << 0 << "f"
            << ""
            << "album-own" << tp + "folderIcon.png" << 4 << names("组名") << "red.png";
        QTest::newRow("favourite list") << 1 << ""
                                        << ""
                                        << "fav-list" << tp + "noAlbumPic.png" << 6 << names("组名") << "";
        QTest::newRow("favourite singer with picture") << 1 << ""
                                                       << ""
                                                       << "fav-singer"
                                                       << "#00ffff" << 4 << names("组名") << "cyan.png";
        QTest::newRow("device: the member's default list")
            << 1 << "df"
            << "歌单"
            << "fav-default" << tp + "defaultAlbumPic.png" << 6 << names("组名") << "";
        QTest::newRow("device: list cover from the cache") << 1 << "df"
                                                           << "歌单"
                                                           << "fav-cover"
                                                           << "#ff8000" << 4 << names("组名") << "cover";
        QTest::newRow("device: list without cover")
            << 1 << "df"
            << "歌单"
            << "fav-list" << tp + "noAlbumPic.png" << 4 << names("组名") << "";
        QTest::newRow("device: folder") << 1 << "df"
                                        << "目录"
                                        << "folder" << tp + "folderIcon.png" << 4 << names("组名") << "";
        QTest::newRow("device: my downloads")
            << 1 << "df"
            << "下载"
            << "count12"
            << ":/rs/rs/10.png" << 4 << QStringList{QStringLiteral("我的下载"), QStringLiteral("12首")} << "";
        QTest::newRow("device: all songs")
            << 1 << "df"
            << "全部"
            << "count30"
            << ":/rs/rs/9.png" << 4 << QStringList{QStringLiteral("全部歌曲"), QStringLiteral("30首")} << "";
        QTest::newRow("device: unknown tag") << 1 << "df"
                                             << "别的"
                                             << "fav-list"
                                             << "" << 4 << QStringList() << "";
        QTest::newRow("row without record") << 0 << ""
                                            << ""
                                            << "null"
                                            << "" << 4 << QStringList() << "";
    }

    // The picture a group row shows, what the record learns, and the two lines of text.
    void groupRows()
    {
        QFETCH(int, kind);
        QFETCH(QString, modes);
        QFETCH(QString, tag);
        QFETCH(QString, group);
        QFETCH(QString, picture);
        QFETCH(int, pictureTop);
        QFETCH(QStringList, texts);
        QFETCH(QString, learned);

        // Picture files in the data folder and the three picture caches that know some of them.
        const QString data = g_sDataDir;
        QVERIFY(!savePng(data, "red.png", Qt::red).isEmpty());
        QVERIFY(!savePng(data, "blue.png", Qt::blue).isEmpty());
        QVERIFY(!savePng(data, "green.png", Qt::green).isEmpty());
        QVERIFY(!savePng(data, "yellow.png", Qt::yellow).isEmpty());
        QVERIFY(!savePng(data, "magenta.png", Qt::magenta).isEmpty());
        QVERIFY(!savePng(data, "cyan.png", Qt::cyan).isEmpty());
        QFile broken(data + "/broken.png");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        {
            QDomDocument asso;
            asso.setContent(
                QStringLiteral("<kvrroot><fileassroot>"
                               "<fileass file=\"yellow.png\" filename=\"甲 - 删掉的歌\"/>"
                               "<fileass file=\"green.png\" filename=\"甲 - 有图的歌\"/>"
                               "</fileassroot>"
                               "<albumpic url=\"http://x/1.jpg\" file=\"blue.png\" name=\"有图的专辑\" "
                               "id=\"1\" singer=\"甲\"/></kvrroot>"));
            QVERIFY(g_saveEncipheredXml(albumPicHandler::assoPath(), asso));
            QDomDocument singers;
            singers.setContent(QStringLiteral("<kvrroot><singerRoot><singer id=\"77\" name=\"有图的歌手\" "
                                              "file=\"magenta.png\"/></singerRoot></kvrroot>"));
            QVERIFY(g_saveEncipheredXml(singerHandler::singerFilePath(), singers));
        }
        albumPicHandler albums;
        albums.establishAlbumPicDict();
        g_pAlbumPicHandler = &albums;
        singerHandler singersCache;
        g_pSingerHandler = &singersCache;
        gedanPicHandler covers;
        g_pGedanPicHandler = &covers;
        covers.requestPic(4242, QStringLiteral("封面"), QStringLiteral("http://x/c.jpg"));
        QByteArray orange = pngBytes(QColor(255, 128, 0));
        covers.savePic(4242, &orange);
        const QString savedMember = g_sMemberId;
        g_sMemberId = QStringLiteral("m123");
        auto restore = qScopeGuard([&] {
            g_pAlbumPicHandler = nullptr;
            g_pSingerHandler = nullptr;
            g_pGedanPicHandler = nullptr;
            g_sMemberId = savedMember;
        });

        // The songs and the record of the row.
        const auto song = [](const QString &title, bool removed) {
            _tag_localsonginfo_ record;
            record.title = title;
            record.artist = QStringLiteral("甲");
            record.bDeleted = removed;
            return record;
        };
        _tag_localsonginfo_ flagged = song(QStringLiteral("删掉的歌"), true);
        _tag_localsonginfo_ noPicture = song(QStringLiteral("没图的歌"), false);
        _tag_localsonginfo_ withPicture = song(QStringLiteral("有图的歌"), false);
        const QString name = texts.value(0, QStringLiteral("组名"));
        LocalGroupRecord local{name, QStringLiteral("5首"), QString(), 5, {}};
        _tag_favgroupinfo_ fav;
        fav.sName = name;
        fav.sCountText = QStringLiteral("5首");
        fav.sId = QStringLiteral("999");
        QVariant value;
        const auto pointer = [](void *p) {
            return QVariant::fromValue(qulonglong(reinterpret_cast<quintptr>(p)));
        };
        if (group == "album-own") {
            local.sPicFile = QStringLiteral("red.png");
        } else if (group == "album-songs") {
            local.listSongs = {&noPicture, &flagged, &withPicture};
        } else if (group == "album-none") {
            local.listSongs = {&noPicture, &flagged};
        } else if (group == "album-broken") {
            local.sPicFile = QStringLiteral("broken.png");
        } else if (group == "fav-singer") {
            fav.sPicPath = QStringLiteral("cyan.png");
        } else if (group == "fav-default") {
            fav.sId = QStringLiteral("m123_default");
        } else if (group == "fav-cover") {
            fav.sId = QStringLiteral("4242");
        }
        if (group.startsWith("count"))
            value = group.mid(5).toInt();
        else if (group.startsWith("fav"))
            value = pointer(&fav);
        else if (group != "null")
            value = pointer(&local);

        QListView view;
        QStandardItemModel model;
        view.setModel(&model);
        auto *delegate = new Delegate4ListView2(&view);
        delegate->m_nListKind = kind;
        delegate->m_bDeviceMode = modes.contains('d');
        delegate->m_bSingerMode = modes.contains('s');
        delegate->m_bFolderMode = modes.contains('f');
        view.setItemDelegate(delegate);
        auto *item = new QStandardItem;
        item->setData(value, kSongInfoRole);
        if (!tag.isEmpty())
            item->setWhatsThis(tag);
        model.appendRow(item);
        view.resize(240, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCursor::setPos(view.mapToGlobal(QPoint(-300, -300)));

        const QRect rect = view.visualRect(model.index(0, 0));
        QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), model.index(0, 0)), QSize(222, 59));
        QCOMPARE(rect.height(), 59);
        const QColor plain(232, 232, 232);
        const QImage shot =
            view.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QRect place(rect.left() + 5, rect.top() + pictureTop, 50, 50);
        if (picture.isEmpty())
            QCOMPARE(block(shot, QRect(rect.left() + 5, rect.top() + 4, 50, 52)),
                     solid(QSize(50, 52), plain));
        else if (picture.startsWith('#'))
            QCOMPARE(block(shot, place), solid(place.size(), QColor(picture)));
        else
            QCOMPARE(block(shot, place), onBackground(resourceImage(picture), plain));

        const QList<DrawnText> drawn = [&] {
            PaintLog log(view.viewport()->size());
            view.viewport()->render(&log);
            return log.linesIn(rect);
        }();
        QStringList drawnTexts;
        for (const DrawnText &t : drawn)
            drawnTexts << t.text;
        QCOMPARE(drawnTexts, texts);
        const int ascent = QFontMetrics(view.font()).ascent();
        for (int i = 0; i < drawn.size(); ++i) {
            QCOMPARE(drawn[i].at, QPointF(rect.left() + 60, rect.top() + (i == 0 ? 11 : 34) + ascent));
            QCOMPARE(drawn[i].colour, i == 0 ? QColor(102, 102, 102) : QColor(153, 153, 153));
        }

        if (learned == "cover")
            QCOMPARE(fav.pPicData, covers.getGedanPicfromId(QStringLiteral("4242")));
        else if (kind == 0)
            QCOMPARE(local.sPicFile, learned);
        else
            QCOMPARE(fav.sPicPath, learned);
    }

    // Plain rows are light grey with a darker bottom line, the hovered row white, the selected
    // row green with white text.
    void groupRowStates()
    {
        QListView view;
        QStandardItemModel model;
        view.setModel(&model);
        view.setMouseTracking(true);
        auto *delegate = new Delegate4ListView2(&view);
        delegate->m_nListKind = 1;
        delegate->m_bDeviceMode = true;
        view.setItemDelegate(delegate);
        for (int i = 0; i < 3; ++i) {
            auto *item = new QStandardItem;
            item->setData(10 + i, kSongInfoRole);
            item->setWhatsThis(QStringLiteral("全部"));
            model.appendRow(item);
        }
        view.resize(240, 220);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.selectionModel()->select(model.index(2, 0), QItemSelectionModel::Select);
        const QRect hovered = view.visualRect(model.index(1, 0));
        QCursor::setPos(view.viewport()->mapToGlobal(hovered.center()));
        QTest::mouseMove(view.viewport(), hovered.center());
        QCoreApplication::processEvents();

        const QImage shot = view.viewport()->grab().toImage();
        const auto at = [&](int row, int dy) {
            const QRect rect = view.visualRect(model.index(row, 0));
            return shot.pixelColor(200, dy < 0 ? rect.bottom() : rect.top() + dy);
        };
        QCOMPARE(at(0, 20), QColor(232, 232, 232));
        QCOMPARE(at(0, -1), QColor(216, 216, 216));
        QCOMPARE(at(1, 20), kWhite);
        QCOMPARE(at(1, -1), kWhite);
        QCOMPARE(at(2, 20), QColor(91, 152, 31));
        QCOMPARE(at(2, -1), QColor(91, 152, 31));

        PaintLog log(view.viewport()->size());
        view.viewport()->render(&log);
        const QList<DrawnText> selected = log.linesIn(view.visualRect(model.index(2, 0)));
        QCOMPARE(selected.size(), 2);
        QCOMPARE(selected[0].colour, kWhite);
        QCOMPARE(selected[1].colour, kWhite);
        QCOMPARE(selected[1].text, QStringLiteral("12首"));
    }
};

KVR_TEST_MAIN(TestRowDelegates)
#include "tst_rowdelegates.moc"
