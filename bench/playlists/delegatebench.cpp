// What painting a song row costs: the play queue's list holding 10,000 rows as people keep them
// (two local songs for one network song, one local file in ten deleted, some network songs
// downloaded) is scrolled through page by page, each page painted once, as when the user drags
// the scroll bar; then one page is painted again and again, as when the cursor moves over it.
// Each figure is the paint time divided by the rows painted. Beside them, the floor: the same
// passes with a painter that only fills each row and draws its four texts, which is what any row
// of this look costs in the toolkit. Needs a display (Xvfb, or
// QT_QPA_PLATFORM=offscreen).
// Usage: delegatebench [runs]   (default 5; each figure is the median). Build it in a release
// build for meaningful figures.

#include "BenchTiming.h"
#include "playlists/Delegate4ListView.h"
#include "playlists/PlaylistSongInfo.h"
#include "playlists/kvrListView.h"
#include "services/core/Globals.h"
#include "services/core/SongConstants.h"
#include "settings/CDManager.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 10000;

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// The queue's rows; the local songs lie in a few hundred files of the music folder, and every
// fifteenth network song has a copy in the download folder.
QList<QStandardItem *> makeRows(const QString &musicDir, const QString &downDir)
{
    QList<QStandardItem *> items;
    items.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        auto *row = new _tag_playlistsonginfo_;
        row->artist = QStringLiteral("歌手%1号").arg(i % 211);
        row->title = QStringLiteral("第%1首 我们的歌 (现场版)").arg(i);
        row->sAlbumName = QStringLiteral("专辑 %1 精选集").arg(i % 977);
        row->Duartion = QStringLiteral("%1:%2")
                            .arg(2 + i % 4, 2, 10, QLatin1Char('0'))
                            .arg(i % 60, 2, 10, QLatin1Char('0'));
        if (i % 3 == 0) {
            row->type = SongType::kNetwork;
            row->id = QString::number(1000000 + i * 7);
            row->filePath = row->id;
            row->bytesize = QStringLiteral("idvalid");
            if (i % 15 == 0) {
                row->sAlbumName = QStringLiteral("专辑 %1 精选集").arg(i % 977);
                touch(downDir + QLatin1Char('/') + row->artist + QStringLiteral(" - ") + row->title +
                      QStringLiteral(".mp3"));
            }
        } else {
            row->type = SongType::kLocal;
            row->bytesize = QStringLiteral("0");
            if (i % 10 == 1) {
                row->filePath = musicDir + QStringLiteral("/已删除/%1.mp3").arg(i);
            } else {
                row->filePath = musicDir + QStringLiteral("/%1 - 歌%2.mp3").arg(row->artist).arg(i % 400);
                touch(row->filePath);
            }
        }
        items << g_newSongItem(row);
    }
    return items;
}

// Fills the row and draws its four texts at 12 px; nothing else.
class FloorDelegate : public QStyledItemDelegate
{
public:
    explicit FloorDelegate(QObject *parent)
        : QStyledItemDelegate(parent)
    {
        m_font.setPixelSize(12);
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const _tag_playlistsonginfo_ *row = g_songInfo(index);
        painter->save();
        painter->setFont(m_font);
        painter->fillRect(option.rect, index.row() % 2 ? QColor(247, 249, 248) : QColor(Qt::white));
        painter->setPen(QColor(0x66, 0x66, 0x66));
        const int y = option.rect.top() + 7 + 12;
        painter->drawText(QPoint(32, y), row->title);
        painter->drawText(QPoint(380, y), row->artist);
        painter->drawText(QPoint(570, y), row->sAlbumName);
        painter->drawText(QPoint(825, y), row->Duartion);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(891, 30);
    }

private:
    QFont m_font = QApplication::font();
};

using benchtiming::median;

struct Figures
{
    double scrollMs = 0;  // a row, each page painted once from the top to the bottom
    double repaintMs = 0; // a row, one page painted again and again
    int painted = 0;      // rows painted by one scroll pass
    int visibleRows = 0;
};

// Runs the two passes `runs` times, each with a fresh view and painter, so no run starts from
// what the last one learned. The song painter's file facts live a second, so a scroll pass that
// takes longer asks the disk again for the rows it meets after that.
Figures measure(QStandardItemModel &model, int runs,
                const std::function<QAbstractItemDelegate *(QWidget *)> &makeDelegate)
{
    std::vector<double> scrollMs;
    std::vector<double> repaintMs;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        kvrListView view(nullptr);
        view.setModel(&model);
        view.setItemDelegate(makeDelegate(&view));
        view.resize(1000, 600);
        view.show();
        QCoreApplication::processEvents();
        QWidget *viewport = view.viewport();
        QScrollBar *bar = view.verticalScrollBar();
        QImage canvas(viewport->size(), QImage::Format_ARGB32_Premultiplied);
        figures.visibleRows = viewport->height() / 30 + 1;

        qint64 ns = 0;
        figures.painted = 0;
        for (int value = bar->minimum(); value <= bar->maximum(); value += bar->pageStep()) {
            bar->setValue(value);
            QElapsedTimer timer;
            timer.start();
            viewport->render(&canvas);
            ns += timer.nsecsElapsed();
            figures.painted += figures.visibleRows;
        }
        scrollMs.push_back(double(ns) / 1e6 / figures.painted);

        bar->setValue(bar->maximum() / 2);
        constexpr int repaints = 200;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < repaints; ++i)
            viewport->render(&canvas);
        repaintMs.push_back(double(timer.nsecsElapsed()) / 1e6 / (repaints * figures.visibleRows));
    }
    figures.scrollMs = median(scrollMs);
    figures.repaintMs = median(repaintMs);
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    g_sDataDir = dir.filePath(QStringLiteral("data"));
    g_sStyleVars = QStringLiteral("wplNormal:255,255,255;wplAlter:247,249,248;");
    QDir().mkpath(g_sDataDir);
    const QString musicDir = dir.filePath(QStringLiteral("music"));
    QDir().mkpath(musicDir);
    CDManager folders;
    CD_MANAGER = &folders;
    const QString downDir = folders.getDownDir();
    QDir().mkpath(downDir);

    // The list as the play queue page sets it up.
    QStandardItemModel model;
    model.invisibleRootItem()->appendRows(makeRows(musicDir, downDir));

    const Figures rows = measure(model, runs, [](QWidget *view) {
        auto *delegate = new Delegate4ListView(view, 22);
        delegate->setRects(10, 380, 570, 825);
        delegate->m_nListKind = 2;
        return delegate;
    });
    const Figures floor = measure(model, runs, [](QWidget *view) { return new FloorDelegate(view); });

    std::printf("play queue of %d rows (a third network songs, a tenth of the local files gone), "
                "%d rows visible; %d runs, medians\n",
                kRows, rows.visibleRows, runs);
    std::printf("scrolled through, each page painted once: %8.4f ms a row  (floor %.4f; %d rows a run)\n",
                rows.scrollMs, floor.scrollMs, rows.painted);
    std::printf("one page painted again and again:         %8.4f ms a row  (floor %.4f)\n", rows.repaintMs,
                floor.repaintMs);
    std::printf("aim: under 0.1 ms a row\n");
    CD_MANAGER = nullptr;
    g_clearSongRows(&model);
    return 0;
}
