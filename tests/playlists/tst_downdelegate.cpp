// The download rows' painter over a real kvrListView and QStandardItemModel, one row per download
// state: grabbed for backgrounds and the bar's pixels, painted once more into a recording device
// for which pictures and texts are drawn, where, and in which colour. Saves a picture of a list
// holding every state into <build>/screenshots (2x/ at twice the scale).

#include "KvrTestMain.h"
#include "RowPaintLog.h"
#include "WindowScreenshots.h"

#include "playlists/Delegate4DownListView.h"
#include "playlists/RowPaint.h"
#include "playlists/RowRecord.h"
#include "playlists/kvrListView.h"
#include "services/core/Globals.h"
#include "services/downloads/DownloadSongInfo.h"
#include "services/downloads/httpDown.h"
#include "shell/kvrPixmap.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <iterator>
#include <memory>
#include <vector>

using namespace RowPaintLog;

namespace {

enum class Down
{
    Waiting,
    Downloading, // 40 px done at "128 KB/S"
    NoProgress,  // downloading, nothing received yet
    Requesting,
    Paused,
    Failed,
    Finished,
    FinishedGone, // its file was deleted outside the player
};

enum RowLook
{
    Plain,
    Selected,
    Hovered,
};

enum class Cursor
{
    Away,
    InRow, // in the row, outside every zone
    OnBar,
    OnPlay,
    OnMore,
};

const QColor kEven(250, 248, 240);
const QColor kOdd(230, 236, 233);
const QColor kGreen(100, 170, 35);
const QString kPictures = QStringLiteral(":/qss/debug/images/btnimage/local/");
const QStringList kPictureNames{
    "playing_normal",         "playing_hover",          "playing_selected__Normal",
    "playing_selected_hover", "more_op_normal",         "more_op_hover",
    "more_selected__Normal",  "more_op_selected_hover", "downloadbg",
    "downloadSeek",           "downloadPause",          "downloadBegin"};

struct RowFields
{
    QString title = QStringLiteral("T-title");
    QString artist = QStringLiteral("T-artist");
    QString album = QStringLiteral("T-album");
};

// A download list as the page builds it, with the page's columns. The view goes first: nothing
// may repaint rows whose records are gone.
struct DownList
{
    std::vector<std::unique_ptr<_tag_downloadsonginfo_>> records;
    std::vector<std::unique_ptr<httpDown>> downloaders;
    QStandardItemModel model;
    std::unique_ptr<kvrListView> view;
    Delegate4DownListView *delegate = nullptr;

    DownList()
        : view(std::make_unique<kvrListView>(nullptr))
    {
        view->setModel(&model);
        delegate = new Delegate4DownListView(view.get());
        delegate->setRects(10, 222, 345, 538, 610);
        view->setItemDelegate(delegate);
        view->resize(700, 400);
    }
    ~DownList() { view.reset(); }

    _tag_downloadsonginfo_ *add(Down state, const QString &existing, const QString &gone,
                                const RowFields &fields = {})
    {
        auto record = std::make_unique<_tag_downloadsonginfo_>();
        record->title = fields.title;
        record->artist = fields.artist;
        record->album = fields.album;
        record->size = QStringLiteral("3.52 M");
        record->sDur = QStringLiteral("03:27");
        switch (state) {
        case Down::Waiting:
            record->queued = true;
            break;
        case Down::Downloading:
        case Down::NoProgress:
        case Down::Requesting:
        case Down::Failed: {
            auto down = std::make_unique<httpDown>();
            down->m_pRecord = record.get();
            down->m_bBusy = state != Down::Failed;
            down->m_bWaiting = state == Down::Requesting;
            record->pDown = down.get();
            record->downloading = true;
            record->progress = state == Down::Downloading ? 40 : state == Down::Failed ? 30 : 0;
            record->status = state == Down::Downloading  ? QStringLiteral("128 KB/S")
                             : state == Down::NoProgress ? QStringLiteral("0 KB/S")
                             : state == Down::Requesting ? QStringLiteral("请求中...")
                                                         : QStringLiteral("网络错误");
            downloaders.push_back(std::move(down));
            break;
        }
        case Down::Paused:
            record->stopped = true;
            record->progress = 60;
            record->status = QStringLiteral("0 KB/S");
            break;
        case Down::Finished:
        case Down::FinishedGone:
            record->fin = true;
            record->progress = 100;
            record->filepathname = state == Down::Finished ? existing : gone;
            break;
        }
        auto *item = new QStandardItem;
        g_setRowRecord(item, record.get());
        model.appendRow(item);
        records.push_back(std::move(record));
        return records.back().get();
    }

    QRect rowRect(int row) const { return view->visualRect(model.index(row, 0)); }
};

// "name@x", with ":width" when the picture is drawn narrower than it is.
QStringList pictureNames(const PaintLog &log, const QRect &row)
{
    QStringList names;
    for (const DrawnPixmap &drawn : log.pixmaps) {
        if (drawn.target.top() < row.top() || drawn.target.top() > row.bottom())
            continue;
        const QImage image = drawn.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QString name = QStringLiteral("?");
        for (const QString &candidate : kPictureNames)
            if (resourceImage(kPictures + candidate + QStringLiteral(".png")) == image)
                name = candidate;
        name += QStringLiteral("@%1").arg(qRound(drawn.target.left()));
        if (qRound(drawn.target.width()) != image.width())
            name += QStringLiteral(":%1").arg(qRound(drawn.target.width()));
        names << name;
    }
    return names;
}

// The texts of a row in the order drawn. A text mixing scripts reaches the device as one item
// per font: an item that does not start where some text of the row may start joins the one
// before it.
QList<DrawnText> rowTexts(const PaintLog &log, const QRect &row)
{
    static const QList<int> starts{10, 222, 345, 345 + 50, 345 + 115, 538, 610};
    QList<DrawnText> texts;
    for (const DrawnText &t : log.textsIn(row)) {
        if (!texts.isEmpty() && texts.last().at.y() == t.at.y() && texts.last().colour == t.colour &&
            !starts.contains(qRound(t.at.x()) - row.left()))
            texts.last().text += t.text;
        else
            texts << t;
    }
    return texts;
}

// "text@x:#rrggbb", in the order drawn.
QStringList textNames(const PaintLog &log, const QRect &row)
{
    QStringList names;
    for (const DrawnText &t : rowTexts(log, row))
        names << QStringLiteral("%1@%2:%3").arg(t.text).arg(qRound(t.at.x())).arg(t.colour.name());
    return names;
}

} // namespace

Q_DECLARE_METATYPE(Down)
Q_DECLARE_METATYPE(Cursor)

class TestDownDelegate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_existing;
    QString m_gone;

    static bool show(DownList &list)
    {
        list.view->show();
        return QTest::qWaitForWindowExposed(list.view.get());
    }

    // The cursor at the centre of a zone of the row, in the view's coordinates as the page tests
    // its clicks.
    static void putCursor(DownList &list, int row, Cursor cursor)
    {
        const QRect rect = list.rowRect(row);
        const QPoint origin = rect.topLeft();
        switch (cursor) {
        case Cursor::Away:
            parkCursor(list.view.get());
            break;
        case Cursor::InRow:
            moveCursor(list.view.get(), QPoint(rect.left() + 100, rect.center().y()));
            break;
        case Cursor::OnBar:
            moveCursor(list.view.get(), list.delegate->progressZone().translated(origin).center());
            break;
        case Cursor::OnPlay:
            moveCursor(list.view.get(), list.delegate->buttonZone().translated(origin).center());
            break;
        case Cursor::OnMore:
            moveCursor(list.view.get(),
                       list.delegate->buttonZone().translated(origin + QPoint(22, 0)).center());
            break;
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Colours of our own, so a row that ignores the style variables shows.
        g_sStyleVars = QStringLiteral("/* wplNormal:250,248,240;wplAlter:230,236,233; */");
        m_existing = m_dir.filePath(QStringLiteral("有.mp3"));
        m_gone = m_dir.filePath(QStringLiteral("没有.mp3"));
        QFile existing(m_existing);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        for (const QString &name : kPictureNames)
            QVERIFY2(!resourceImage(kPictures + name + QStringLiteral(".png")).isNull(), qPrintable(name));
    }

    // The page reads the zones its clicks are tested against from the painter.
    void geometry()
    {
        kvrListView view(nullptr);
        auto *delegate = new Delegate4DownListView(&view);
        QCOMPARE(delegate->parent(), &view);
        QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(366, 30));
        delegate->setRects(10, 222, 345, 538, 610);
        QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(676, 30));
        QCOMPARE(delegate->buttonZone(), QRect(162, 7, 16, 16));
        QCOMPARE(delegate->progressZone(), QRect(345, 7, 175, 18));
        delegate->setRects(0, 100, 200, 300, 400);
        QCOMPARE(delegate->buttonZone(), QRect(40, 7, 16, 16));
        QCOMPARE(delegate->progressZone(), QRect(200, 7, 175, 18));
        QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()), QSize(466, 30));
    }

    void rows_data()
    {
        QTest::addColumn<Down>("state");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("look");
        QTest::addColumn<Cursor>("cursor");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QStringList>("pictures"); // "name@x[:drawn width]"
        QTest::addColumn<QStringList>("texts");    // "text@x:colour", in the order drawn

        const auto texts = [](const QString &third, const QString &main, const QString &rest) {
            QStringList list;
            if (!third.isEmpty())
                list << third;
            list << QStringLiteral("T-title@10:") + main << QStringLiteral("T-artist@222:") + main
                 << QStringLiteral("3.52 M@538:") + rest << QStringLiteral("03:27@610:") + rest;
            return list;
        };
        const QString grey = QStringLiteral("#666666");
        const QString state = QStringLiteral("#6b6c71");
        const QString size = QStringLiteral("#b7b6b6");
        const QString white = QStringLiteral("#ffffff");
        const QString gone = QStringLiteral("#cccccc");
        const QStringList bar{"downloadbg@345"};
        const QStringList none;

        QTest::newRow("waiting") << Down::Waiting << 0 << int(Plain) << Cursor::Away << kEven << none
                                 << texts(QStringLiteral("等待@395:#666666"), grey, size);
        QTest::newRow("waiting, odd row, cursor on the bar")
            << Down::Waiting << 1 << int(Hovered) << Cursor::OnBar << kOdd << QStringList{"downloadPause@345"}
            << texts(QString(), grey, size);
        QTest::newRow("downloading") << Down::Downloading << 0 << int(Plain) << Cursor::Away << kEven
                                     << QStringList{"downloadbg@345", "downloadSeek@345:40"}
                                     << texts(QStringLiteral("128 KB/S@460:#6b6c71"), state, size);
        QTest::newRow("downloading, hovered off the bar")
            << Down::Downloading << 0 << int(Hovered) << Cursor::InRow << kEven
            << QStringList{"downloadbg@345", "downloadSeek@345:40"}
            << texts(QStringLiteral("128 KB/S@460:#6b6c71"), state, size);
        QTest::newRow("downloading, cursor on the bar")
            << Down::Downloading << 0 << int(Hovered) << Cursor::OnBar << kEven
            << QStringList{"downloadPause@345"} << texts(QString(), grey, size);
        QTest::newRow("downloading, selected: the state's grey stays")
            << Down::Downloading << 0 << int(Selected) << Cursor::Away << kGreen
            << QStringList{"downloadbg@345", "downloadSeek@345:40"}
            << texts(QStringLiteral("128 KB/S@460:#6b6c71"), state, state);
        QTest::newRow("downloading, nothing received yet")
            << Down::NoProgress << 0 << int(Plain) << Cursor::Away << kEven << bar
            << texts(QStringLiteral("0 KB/S@460:#6b6c71"), state, size);
        QTest::newRow("asking for the address")
            << Down::Requesting << 0 << int(Plain) << Cursor::Away << kEven << bar
            << texts(QStringLiteral("请求中...@395:#6b6c71"), state, size);
        QTest::newRow("paused") << Down::Paused << 0 << int(Plain) << Cursor::Away << kEven
                                << QStringList{"downloadPause@345"} << texts(QString(), grey, size);
        QTest::newRow("paused, cursor on the bar")
            << Down::Paused << 0 << int(Hovered) << Cursor::OnBar << kEven << QStringList{"downloadBegin@345"}
            << texts(QString(), grey, size);
        QTest::newRow("paused, selected, cursor on play: no buttons")
            << Down::Paused << 0 << int(Selected) << Cursor::OnPlay << kGreen
            << QStringList{"downloadPause@345"} << texts(QString(), white, white);
        QTest::newRow("failed") << Down::Failed << 0 << int(Plain) << Cursor::Away << kEven << bar
                                << texts(QStringLiteral("网络错误@395:#666666"), grey, size);
        QTest::newRow("failed, selected: the state in black")
            << Down::Failed << 0 << int(Selected) << Cursor::Away << kGreen << bar
            << texts(QStringLiteral("网络错误@395:#000000"), white, white);
        QTest::newRow("finished") << Down::Finished << 0 << int(Plain) << Cursor::Away << kEven << none
                                  << texts(QStringLiteral("T-album@345:#666666"), grey, size);
        QTest::newRow("finished, hovered off the buttons")
            << Down::Finished << 1 << int(Hovered) << Cursor::InRow << kOdd
            << QStringList{"playing_normal@162", "more_op_normal@184"}
            << texts(QStringLiteral("T-album@345:#666666"), grey, size);
        QTest::newRow("finished, cursor on play")
            << Down::Finished << 0 << int(Hovered) << Cursor::OnPlay << kEven
            << QStringList{"playing_hover@162", "more_op_normal@184"}
            << texts(QStringLiteral("T-album@345:#666666"), grey, size);
        QTest::newRow("finished, cursor on more")
            << Down::Finished << 0 << int(Hovered) << Cursor::OnMore << kEven
            << QStringList{"playing_normal@162", "more_op_hover@184"}
            << texts(QStringLiteral("T-album@345:#666666"), grey, size);
        QTest::newRow("finished, cursor on its album")
            << Down::Finished << 0 << int(Hovered) << Cursor::OnBar << kEven
            << QStringList{"playing_normal@162", "more_op_normal@184"}
            << texts(QStringLiteral("T-album@345:#666666"), grey, size);
        QTest::newRow("finished, selected")
            << Down::Finished << 0 << int(Selected) << Cursor::Away << kGreen
            << QStringList{"playing_selected__Normal@162", "more_selected__Normal@184"}
            << texts(QStringLiteral("T-album@345:#ffffff"), white, white);
        QTest::newRow("finished, selected, cursor on play")
            << Down::Finished << 0 << int(Selected) << Cursor::OnPlay << kGreen
            << QStringList{"playing_selected_hover@162", "more_selected__Normal@184"}
            << texts(QStringLiteral("T-album@345:#ffffff"), white, white);
        QTest::newRow("finished, selected, cursor on more")
            << Down::Finished << 0 << int(Selected) << Cursor::OnMore << kGreen
            << QStringList{"playing_selected__Normal@162", "more_op_selected_hover@184"}
            << texts(QStringLiteral("T-album@345:#ffffff"), white, white);
        QTest::newRow("file gone") << Down::FinishedGone << 0 << int(Plain) << Cursor::Away << kEven << none
                                   << texts(QStringLiteral("T-album@345:") + gone, gone, size);
        QTest::newRow("file gone, selected")
            << Down::FinishedGone << 0 << int(Selected) << Cursor::Away << kGreen
            << QStringList{"playing_selected__Normal@162", "more_selected__Normal@184"}
            << texts(QStringLiteral("T-album@345:#ffffff"), white, white);
    }

    // Background, bottom line, pictures and texts of one row in each state and look.
    void rows()
    {
        QFETCH(Down, state);
        QFETCH(int, row);
        QFETCH(int, look);
        QFETCH(Cursor, cursor);
        QFETCH(QColor, background);
        QFETCH(QStringList, pictures);
        QFETCH(QStringList, texts);

        DownList list;
        for (int r = 0; r < row; ++r)
            list.add(Down::Finished, m_existing, m_gone);
        list.add(state, m_existing, m_gone);
        QVERIFY(show(list));
        const QModelIndex index = list.model.index(row, 0);
        if (look == Selected)
            list.view->selectionModel()->select(index, QItemSelectionModel::Select);
        putCursor(list, row, cursor);

        const QRect rect = list.rowRect(row);
        // The hover line along the bottom shows once the view has seen the cursor.
        QTRY_COMPARE(shoot(list.view.get()).pixelColor(5, rect.bottom()),
                     look == Hovered ? kGreen : background);
        const QImage shot = shoot(list.view.get());
        QCOMPARE(shot.pixelColor(5, rect.center().y()), background);

        // The cursor's zone shows once the view has seen the cursor over the row.
        QTRY_COMPARE(pictureNames(*record(list.view.get()), rect), pictures);
        QCOMPARE(textNames(*record(list.view.get()), rect), texts);

        // The bar as it shows: its first 50 px (left of any state text), the fill cut at 40 px.
        if (pictures.value(0) == QStringLiteral("downloadbg@345")) {
            const QRect start(345, rect.top() + 7, 50, 18);
            QImage expected =
                onBackground(resourceImage(kPictures + QStringLiteral("downloadbg.png")), background);
            if (pictures.size() > 1) {
                QPainter painter(&expected);
                painter.drawImage(0, 0, resourceImage(kPictures + QStringLiteral("downloadSeek.png")), 0, 0,
                                  40, 18);
            }
            QCOMPARE(block(shot, start), expected.copy(0, 0, 50, 18));
        }
    }

    void texts_data()
    {
        QTest::addColumn<Down>("state");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("album");
        QTest::addColumn<QStringList>("shown"); // third column (if any), title (if any), singer

        QTest::newRow("empty fields")
            << Down::Finished << QString() << QString() << QString()
            << QStringList{QStringLiteral("未知专辑"), QStringLiteral("未知艺术家")};
        QTest::newRow("empty fields while downloading")
            << Down::Downloading << QString() << QString() << QString()
            << QStringList{QStringLiteral("128 KB/S"), QStringLiteral("未知艺术家")};
        QTest::newRow("markup is shown as typed")
            << Down::Finished << QStringLiteral("<b>歌</b>") << QStringLiteral("A&amp;B")
            << QStringLiteral("<i>专辑")
            << QStringList{QStringLiteral("<i>专辑"), QStringLiteral("<b>歌</b>"), QStringLiteral("A&amp;B")};
    }

    // Fallbacks for empty fields, and texts drawn as they are.
    void texts()
    {
        QFETCH(Down, state);
        QFETCH(QString, title);
        QFETCH(QString, artist);
        QFETCH(QString, album);
        QFETCH(QStringList, shown);

        DownList list;
        list.add(state, m_existing, m_gone, {title, artist, album});
        QVERIFY(show(list));
        parkCursor(list.view.get());
        QStringList drawn;
        for (const DrawnText &t : rowTexts(*record(list.view.get()), list.rowRect(0)))
            drawn << t.text;
        QCOMPARE(drawn.mid(0, shown.size()), shown);
        QCOMPARE(drawn.size(), shown.size() + 2); // size and duration
    }

    // Texts too long for their columns end in an ellipsis within the column; all texts start
    // 7 px below the row's top.
    void longTextsAreCut()
    {
        const QString title = QStringLiteral("一首名字非常非常长以至于在歌曲这一栏里放不下的歌");
        const QString artist = QStringLiteral("一个名字非常非常长的乐队组合");
        const QString album = QStringLiteral("一张专辑名也很长很长很长很长很长很长很长的专辑");
        DownList list;
        list.add(Down::Finished, m_existing, m_gone, {title, artist, album});
        QVERIFY(show(list));
        parkCursor(list.view.get());
        const QRect rect = list.rowRect(0);
        const QList<DrawnText> drawn = rowTexts(*record(list.view.get()), rect);
        QCOMPARE(drawn.size(), 5);
        const QFontMetrics metrics(QApplication::font());
        const struct
        {
            const DrawnText &text;
            const QString &full;
            int width;
        } columns[] = {
            {drawn[1], title, 222 - 10 - 60}, {drawn[2], artist, 345 - 222}, {drawn[0], album, 538 - 345}};
        for (const auto &column : columns) {
            QVERIFY2(column.text.text.endsWith(QChar(0x2026)), qPrintable(column.text.text));
            QVERIFY(column.full.startsWith(column.text.text.chopped(1)));
            QVERIFY(metrics.horizontalAdvance(column.text.text) <= column.width);
        }
        for (const DrawnText &t : drawn) {
            QVERIFY(t.at.y() > rect.top() + 7);
            QVERIFY(t.at.y() < rect.bottom());
        }
        // A Latin text's baseline is the font's ascent below the text line (give or take the
        // layout's rounding).
        QVERIFY(qAbs(drawn[3].at.y() - (rect.top() + 7 + metrics.ascent())) <= 1);
    }

    // Whether a finished row's file exists is asked at most once a second: a file deleted now
    // shows grey within the second after, not before.
    void missingFileShowsWithinASecond()
    {
        const QString path = m_dir.filePath(QStringLiteral("soon gone.mp3"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        DownList list;
        list.add(Down::Finished, path, m_gone);
        QVERIFY(show(list));
        parkCursor(list.view.get());
        const auto titleColour = [&] {
            const auto title =
                textAt(record(list.view.get())->textsIn(list.rowRect(0)), QStringLiteral("T-title"));
            return title ? title->colour : QColor();
        };
        QCOMPARE(titleColour(), QColor(0x66, 0x66, 0x66));
        QVERIFY(QFile::remove(path));
        QCOMPARE(titleColour(), QColor(0x66, 0x66, 0x66));
        QTRY_COMPARE_WITH_TIMEOUT(titleColour(), QColor(0xcc, 0xcc, 0xcc), 3000);
    }

    // A row whose item holds no record shows its background only; a progress beyond the bar
    // fills the bar and no more.
    void oddRecords()
    {
        DownList list;
        list.model.appendRow(new QStandardItem);
        _tag_downloadsonginfo_ *over = list.add(Down::Downloading, m_existing, m_gone);
        over->progress = 400;
        _tag_downloadsonginfo_ *under = list.add(Down::Downloading, m_existing, m_gone);
        under->progress = -20;
        QVERIFY(show(list));
        parkCursor(list.view.get());
        const std::unique_ptr<PaintLog> log = record(list.view.get());
        QCOMPARE(pictureNames(*log, list.rowRect(0)), QStringList());
        QCOMPARE(textNames(*log, list.rowRect(0)), QStringList());
        QCOMPARE(shoot(list.view.get()).pixelColor(400, list.rowRect(0).center().y()), kEven);
        QCOMPARE(pictureNames(*log, list.rowRect(1)), (QStringList{"downloadbg@345", "downloadSeek@345"}));
        QCOMPARE(pictureNames(*log, list.rowRect(2)), QStringList{"downloadbg@345"});
    }

    // One row per state, dressed as the player is, with the cursor on the downloading row's bar
    // and the finished row selected. Last: it dresses the application.
    void picture()
    {
        QVERIFY(WindowScreenshots::dressApplication());
        // main keeps the part before the mark as the style variables.
        const QString savedVars = g_sStyleVars;
        g_sStyleVars = qApp->styleSheet().left(qApp->styleSheet().indexOf(QStringLiteral("kvrkvrkvr*")));
        auto restore = qScopeGuard([&] {
            g_sStyleVars = savedVars;
            qApp->setStyleSheet(QString());
        });

        DownList list;
        const struct
        {
            Down state;
            RowFields fields;
        } rows[] = {
            {Down::Downloading, {"夜空中最亮的星", "林忆", ""}},
            {Down::Downloading, {"晴天", "周小伦", ""}},
            {Down::NoProgress, {"稻香", "周小伦", ""}},
            {Down::Requesting,
             {"一首名字非常非常长以至于在歌曲这一栏里放不下的歌", "一个名字非常非常长的乐队组合", ""}},
            {Down::Waiting, {"平凡之路", "朴一", ""}},
            {Down::Paused, {"后来", "刘小茵", ""}},
            {Down::Failed, {"小幸运", "田小", ""}},
            {Down::Finished, {"青花瓷", "周小伦", "我很忙"}},
            {Down::Finished, {"十年", "陈一", "黑白灰"}},
            {Down::FinishedGone, {"文件已删除的歌", "", ""}},
            {Down::Finished, {"海阔天空", "黄二", ""}},
        };
        for (const auto &row : rows)
            list.add(row.state, m_existing, m_gone, row.fields);
        list.records[0]->progress = 100;
        list.records[0]->status = QStringLiteral("312 KB/S");
        list.view->resize(700, 30 * int(std::size(rows)) + 2 * list.view->frameWidth());
        QVERIFY(show(list));
        list.view->selectionModel()->select(list.model.index(8, 0), QItemSelectionModel::Select);
        putCursor(list, 1, Cursor::OnBar);

        // What the picture may show wrong at any scale: the hovered bar replaced by the pause
        // control, the selected row's green, the fill of the first row ending at 100 px.
        const QPoint inView = list.view->viewport()->mapTo(list.view.get(), QPoint(0, 0));
        const auto pixel = [&](const QImage &shot, int row, int x, int y) {
            const QRect rect = list.rowRect(row).translated(inView);
            return shot.pixelColor(
                (QPointF(rect.left() + x, rect.top() + y) * shot.devicePixelRatio()).toPoint());
        };
        // On an X server the pointer's move reaches the view a moment later.
        QTRY_COMPARE(pixel(list.view->grab().toImage(), 1, 345 + 9, 7 + 9), kGreen);
        const QImage shot = list.view->grab().toImage();
        QVERIFY(WindowScreenshots::save(shot, QStringLiteral("downloads-rows")));
        QCOMPARE(pixel(shot, 8, 600, 2), kGreen);
        QCOMPARE(pixel(shot, 1, 345 + 80, 7 + 16), RowPaint::styleColour(QStringLiteral("wplAlter")));

        const qreal dpr = shot.devicePixelRatio();
        const QImage fill = kvrPixmap(kPictures + QStringLiteral("downloadSeek.png")).toImage();
        const QImage empty = kvrPixmap(kPictures + QStringLiteral("downloadbg.png")).toImage();
        QCOMPARE(fill.devicePixelRatio(), dpr);
        // A line of the bar's body, where both pictures are opaque.
        int bodyY = -1;
        for (int y = 0; y < fill.height() && bodyY < 0; ++y)
            if (fill.pixelColor(int(30 * dpr), y).alpha() == 255 &&
                empty.pixelColor(int(30 * dpr), y).alpha() == 255)
                bodyY = y;
        QVERIFY(bodyY >= 0);
        const QRect first = list.rowRect(0).translated(inView);
        const auto barPixel = [&](int x) {
            return shot.pixelColor(
                QPoint(qRound((first.left() + 345 + x) * dpr), qRound((first.top() + 7) * dpr) + bodyY));
        };
        QCOMPARE(barPixel(98), fill.pixelColor(int(98 * dpr), bodyY));
        QCOMPARE(barPixel(102), empty.pixelColor(int(102 * dpr), bodyY));
    }
};

KVR_TEST_MAIN(TestDownDelegate)
#include "tst_downdelegate.moc"
