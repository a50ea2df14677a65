// How long the play queue takes to read what each added song shows (length, title, artist, album:
// g_readSongFile) over 2,000 tagged mp3 files, beside a bare TagLib pass that reads the same four
// values (FileRef with audio properties) from the same files in the same run. The ratio is TagLib's
// time over ours: 1 is as fast as TagLib, the aim is at least 0.7. Also printed for scale: the old
// road of two streams per file (g_getSongDuration and g_getSongTag), and a few hundred mp3 files
// without a Xing frame, whose length FFmpeg estimates from the packets' bit rate. Each line also
// prints the seconds and tag characters it read, to show the same work was done: the play queue
// takes the title from the file name (g_getSongTag's rules), so its count is the smaller.
//
// The files are copies of a few ffmpeg tones, each copy tagged anew with TagLib, so no two files
// carry the same tags. They are read once before the clock starts, so every pass finds them in
// the page cache. Usage: importbench [runs]   (default 5; each figure is the median). Build it in
// a release build for meaningful figures.

#include "BenchTiming.h"
#include "audio/kvraudio.h"
#include "services/core/SongFileInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr int kNoXingFiles = 200;

using benchtiming::median;
using benchtiming::timeMs;

bool ffmpeg(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"),
                              QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                              QStringLiteral("error")} +
                      args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A tone as music is usually kept: stereo or mono, constant or variable bit rate, with ID3v2 tags.
bool makeTone(const QString &path, int seconds, const QStringList &options)
{
    return ffmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)} +
                  options +
                  QStringList{QStringLiteral("-metadata"), QStringLiteral("title=tone"),
                              QStringLiteral("-metadata"), QStringLiteral("artist=tone"), path});
}

// A copy of source with tags of its own.
bool makeSong(const QString &source, const QString &path, int i)
{
    QFile::remove(path);
    if (!QFile::copy(source, path))
        return false;
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
    tag->setTitle(
        TagLib::String(QStringLiteral("第%1首 我们的歌").arg(i).toStdString(), TagLib::String::UTF8));
    tag->setArtist(
        TagLib::String(QStringLiteral("歌手%1号").arg(i % 211).toStdString(), TagLib::String::UTF8));
    tag->setAlbum(TagLib::String(QStringLiteral("专辑 %1").arg(i % 97).toStdString(), TagLib::String::UTF8));
    return file.save();
}

QStringList makeSongs(const QString &dir, const QList<QString> &sources, int count, const QString &prefix)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = dir + QStringLiteral("/%1%2.mp3").arg(prefix).arg(i);
        if (!makeSong(sources.at(i % sources.size()), path, i))
            qFatal("cannot make %s", qPrintable(path));
        paths << path;
    }
    return paths;
}

struct Totals
{
    double seconds = 0;
    qsizetype textLength = 0;
};

Totals readOurs(const QStringList &paths)
{
    Totals totals;
    for (const QString &path : paths) {
        const SongFileInfo info = g_readSongFile(path);
        totals.seconds += int(info.seconds);
        totals.textLength += info.title.size() + info.artist.size() + info.album.size();
    }
    return totals;
}

Totals readTagLib(const QStringList &paths)
{
    Totals totals;
    for (const QString &path : paths) {
        const TagLib::FileRef file(QFile::encodeName(path).constData(), true,
                                   TagLib::AudioProperties::Average);
        if (file.isNull() || !file.tag() || !file.audioProperties())
            continue;
        const QString title = QString::fromStdString(file.tag()->title().to8Bit(true));
        const QString artist = QString::fromStdString(file.tag()->artist().to8Bit(true));
        const QString album = QString::fromStdString(file.tag()->album().to8Bit(true));
        totals.seconds += file.audioProperties()->lengthInSeconds();
        totals.textLength += title.size() + artist.size() + album.size();
    }
    return totals;
}

Totals readOldRoad(const QStringList &paths)
{
    Totals totals;
    for (const QString &path : paths) {
        QString title, artist, album;
        totals.seconds += int(g_getSongDuration(path));
        g_getSongTag(path, title, artist, album);
        totals.textLength += title.size() + artist.size() + album.size();
    }
    return totals;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 5);
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        qFatal("the ffmpeg command is needed to make the songs");
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    const QString cbr = dir.filePath(QStringLiteral("cbr.mp3"));
    const QString vbr = dir.filePath(QStringLiteral("vbr.mp3"));
    const QString high = dir.filePath(QStringLiteral("high.mp3"));
    const QString mono = dir.filePath(QStringLiteral("mono.mp3"));
    const QString noXing = dir.filePath(QStringLiteral("noxing.mp3"));
    const QString noXingMono = dir.filePath(QStringLiteral("noxingmono.mp3"));
    const bool made =
        makeTone(
            cbr, 20,
            {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-b:a"), QStringLiteral("128k")}) &&
        makeTone(vbr, 31,
                 {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-q:a"), QStringLiteral("2")}) &&
        makeTone(
            high, 17,
            {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-b:a"), QStringLiteral("320k")}) &&
        makeTone(mono, 25,
                 {QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"), QStringLiteral("22050"),
                  QStringLiteral("-b:a"), QStringLiteral("48k")}) &&
        makeTone(noXing, 20,
                 {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-b:a"), QStringLiteral("128k"),
                  QStringLiteral("-write_xing"), QStringLiteral("0")}) &&
        makeTone(noXingMono, 23,
                 {QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-b:a"), QStringLiteral("64k"),
                  QStringLiteral("-write_xing"), QStringLiteral("0")});
    if (!made)
        qFatal("ffmpeg could not make the tones");

    const QString songs = dir.filePath(QStringLiteral("songs"));
    QDir().mkpath(songs);
    const QStringList paths = makeSongs(songs, {cbr, vbr, high, mono}, kFiles, QStringLiteral("song"));
    const QStringList noXingPaths =
        makeSongs(songs, {noXing, noXingMono}, kNoXingFiles, QStringLiteral("plain"));

    // Into the page cache, and the libraries' one-time set-up out of the way.
    readOurs(paths);
    readTagLib(paths);
    readOurs(noXingPaths);

    Totals ours, taglib, plain, old;
    const double oursMs = timeMs(runs, [&] { ours = readOurs(paths); });
    const double taglibMs = timeMs(runs, [&] { taglib = readTagLib(paths); });
    const double plainMs = timeMs(runs, [&] { plain = readOurs(noXingPaths); });
    double oldMs = -1;
    if (BASS_Init(0, 44100, 0, nullptr, nullptr)) {
        oldMs = timeMs(1, [&] { old = readOldRoad(paths); });
        BASS_Free();
    }

    std::printf("%d tagged mp3 files (%d runs, medians)\n", kFiles, runs);
    std::printf("g_readSongFile:                 %8.1f ms  %6.1f us a file  (%.0f s, %lld characters)\n",
                oursMs, oursMs * 1000 / kFiles, ours.seconds, qlonglong(ours.textLength));
    std::printf("bare TagLib FileRef:            %8.1f ms  %6.1f us a file  (%.0f s, %lld characters)\n",
                taglibMs, taglibMs * 1000 / kFiles, taglib.seconds, qlonglong(taglib.textLength));
    std::printf("speed of ours / TagLib's:       %8.2f  (aim: at least 0.7)\n", taglibMs / oursMs);
    if (oldMs >= 0)
        std::printf("two streams a file (old road):  %8.1f ms  %6.1f us a file  (%.0f s, %lld characters)\n",
                    oldMs, oldMs * 1000 / kFiles, old.seconds, qlonglong(old.textLength));
    std::printf("%d mp3 files without a Xing frame: %.1f ms, %.1f us a file\n", kNoXingFiles, plainMs,
                plainMs * 1000 / kNoXingFiles);
    return 0;
}
