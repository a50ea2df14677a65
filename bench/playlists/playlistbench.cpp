// How long the play queue takes to read a 10,000-row list file into its rows (PlayListFile::load:
// read, decipher, parse, one record per song), beside the least any reader must spend on the same
// file: read it, decipher it, and let QXmlStreamReader walk every token without keeping anything.
// The ratio is the cost of the records and of the format's rules on top of the bare pass. Then the
// whole road a user waits for: the play queue page built from that file until its list has
// painted the first time, beside the same bare pass. Also printed: the file's size, its
// deciphered size, and a save of the same rows. Needs a display (Xvfb, or QT_QPA_PLATFORM=offscreen).
// Usage: playlistbench [runs]   (default 15; each figure is the median). Build it in a release
// build for meaningful figures.

#include "BenchTiming.h"
#include "playlists/PlayListFile.h"
#include "playlists/WgtPlaylistAll.h"
#include "playlists/kvrListView.h"
#include "services/core/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A queue as people keep them: two local songs for one network song, Chinese names, paths in
// a music folder sorted by singer and album.
QList<_tag_playlistsonginfo_> makeQueue()
{
    QList<_tag_playlistsonginfo_> rows(10000);
    for (int i = 0; i < rows.size(); ++i) {
        _tag_playlistsonginfo_ &row = rows[i];
        row.artist = QStringLiteral("歌手%1号").arg(i % 211);
        row.title = QStringLiteral("第%1首 我们的歌 (现场版)").arg(i);
        row.sAlbumName = QStringLiteral("专辑 %1 精选集").arg(i % 977);
        row.Duartion = QStringLiteral("%1:%2")
                           .arg(2 + i % 4, 2, 10, QLatin1Char('0'))
                           .arg(i % 60, 2, 10, QLatin1Char('0'));
        if (i % 3 == 0) {
            row.type = 2;
            row.id = QString::number(1000000 + i * 7);
            row.filePath = QStringLiteral("/music/%1/%2.mp3").arg(i % 5000).arg(row.id);
            row.bytesize = QStringLiteral("4.2M");
            row.albumpic = QStringLiteral("http://img.example.com/album/%1.jpg").arg(i % 977);
        } else {
            row.type = 3;
            row.filePath = QStringLiteral("/home/user/音乐/%1/%2/%1 - %3.mp3")
                               .arg(row.artist, row.sAlbumName, row.title);
            row.bytesize = QStringLiteral("0");
        }
    }
    return rows;
}

using benchtiming::median;
using benchtiming::timeMs;

// Stops the clock when the watched widget has painted.
class PaintWatch : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 15);
    QTemporaryDir dir;
    const QList<_tag_playlistsonginfo_> rows = makeQueue();
    QList<const _tag_playlistsonginfo_ *> pointers;
    for (const _tag_playlistsonginfo_ &row : rows)
        pointers.append(&row);

    PlayListFile file(dir.path(), kPlayQueueList);
    QByteArray document;
    QByteArray cipher;
    const double documentMs =
        timeMs(runs, [&] { document = PlayListFile::document(pointers, kPlayQueueList); });
    const double encipherMs = timeMs(runs, [&] { cipher = g_crypt.encryptToByteArray(document).toBase64(); });
    const double saveMs = timeMs(runs, [&] {
        if (!file.save(pointers))
            qFatal("cannot save %s", qPrintable(file.path()));
    });

    size_t loaded = 0;
    const double loadMs = timeMs(runs, [&] {
        PlayListLoadResult result = file.load();
        loaded = result.rows.size();
    });
    qsizetype tokens = 0;
    const double decipherMs = timeMs(runs, [&] {
        const QByteArray plain = g_crypt.decryptToByteArray(QByteArray::fromBase64(readFile(file.path())));
        tokens = plain.size();
    });
    const double bareMs = timeMs(runs, [&] {
        const QByteArray plain = g_crypt.decryptToByteArray(QByteArray::fromBase64(readFile(file.path())));
        QXmlStreamReader reader(plain);
        tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
    });

    // The page reads "defaultList" from the data folder when it is built.
    g_sDataDir = dir.path();
    const double paintMs = timeMs(runs, [&] {
        WgtPlaylistAll page;
        page.resize(1000, 600);
        PaintWatch watch;
        page.listView()->viewport()->installEventFilter(&watch);
        page.show();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (page.rowCount() != int(rows.size()))
            qFatal("the page shows %d rows", page.rowCount());
    });

    std::printf("list file: %zu rows, %lld bytes on disk, %lld bytes of XML (%.0f a row); %d runs, medians\n",
                loaded, qlonglong(QFile(file.path()).size()), qlonglong(document.size()),
                double(document.size()) / double(rows.size()), runs);
    std::printf("load into rows:                 %8.2f ms\n", loadMs);
    std::printf("bare read+decipher+XML pass:    %8.2f ms  (%lld tokens)\n", bareMs, qlonglong(tokens));
    std::printf("  of which read+decipher:       %8.2f ms\n", decipherMs);
    std::printf("ratio load / bare:              %8.2f\n", loadMs / bareMs);
    std::printf("queue page built to first paint: %8.2f ms\n", paintMs);
    std::printf("ratio first paint / bare:        %8.2f  (aim: at most 2)\n", paintMs / bareMs);
    std::printf("save: %.2f ms (document %.2f ms, encipher+base64 %.2f ms)\n", saveMs, documentMs,
                encipherMs);
    return 0;
}
