// The local library file, read and written by LocalListFile: the format against documents put
// together by hand, the reading rules, the cache folder, the limits, what is kept aside, and a
// failed write.

#include "KvrTestMain.h"

#include "library/LocalListFile.h"
#include "services/core/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <utility>

Q_DECLARE_METATYPE(LocalListLoad)

namespace QTest {
template <> char *toString(const LocalListLoad &outcome)
{
    static const char *const names[] = {"Loaded",         "Missing",  "TooLarge",  "Unreadable",
                                        "Undecipherable", "NotAList", "BrokenOff", "TooManySongs"};
    return qstrdup(names[int(outcome)]);
}
} // namespace QTest

namespace {

// Library documents written from their format, not by the writer under test.

using Attributes = QList<std::pair<QString, QString>>;

QString escaped(QString value)
{
    value.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    value.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    value.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    value.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return value;
}

// One "file" element with the attributes in the order given.
QString fileElement(const Attributes &attributes)
{
    QString element = QStringLiteral("<file");
    for (const auto &[name, value] : attributes)
        element += QLatin1Char(' ') + name + QStringLiteral("=\"") + escaped(value) + QLatin1Char('"');
    return element + QStringLiteral("/>");
}

Attributes songAttributes(const _tag_localsonginfo_ &info)
{
    return {{QStringLiteral("filepathname"), info.filepathname},
            {QStringLiteral("title"), info.title},
            {QStringLiteral("artist"), info.artist},
            {QStringLiteral("album"), info.album},
            {QStringLiteral("sDur"), info.sDur}};
}

Attributes downloadAttributes(const _tag_downloadsonginfo_ &info)
{
    return {{QStringLiteral("fin"), info.fin ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("downloaded"), QString::number(info.downloaded)},
            {QStringLiteral("progress"), QString::number(info.progress)},
            {QStringLiteral("album"), info.album},
            {QStringLiteral("artist"), info.artist},
            {QStringLiteral("sDur"), info.sDur},
            {QStringLiteral("filepathname"), info.filepathname},
            {QStringLiteral("sId"), info.sId},
            {QStringLiteral("size"), info.size},
            {QStringLiteral("title"), info.title},
            {QStringLiteral("url"), info.url}};
}

QString section(const QString &name, const QStringList &elements)
{
    if (elements.isEmpty())
        return QLatin1Char('<') + name + QStringLiteral("/>");
    return QLatin1Char('<') + name + QLatin1Char('>') + elements.join(QString()) + QStringLiteral("</") +
           name + QLatin1Char('>');
}

// The declaration, the root, both sections, no line break but the one after the root's end.
QString libraryDocument(const QStringList &songs, const QStringList &downloads,
                        const QString &root = QStringLiteral("<kvr version=\"1.0\">"))
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + root +
           section(QStringLiteral("import"), songs) + section(QStringLiteral("downrecord"), downloads) +
           QStringLiteral("</kvr>\n");
}

QString wrapped(const QString &inner)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><kvr version=\"1.0\">") + inner +
           QStringLiteral("</kvr>\n");
}

// The records as QXmlStreamWriter writes them.
QByteArray streamWriterDocument(const QList<_tag_localsonginfo_> &songs,
                                const QList<_tag_downloadsonginfo_> &downloads)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("kvr"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("import"));
    for (const _tag_localsonginfo_ &info : songs) {
        writer.writeEmptyElement(QStringLiteral("file"));
        for (const auto &[name, value] : songAttributes(info))
            writer.writeAttribute(name, value);
    }
    writer.writeEndElement();
    writer.writeStartElement(QStringLiteral("downrecord"));
    for (const _tag_downloadsonginfo_ &info : downloads) {
        writer.writeEmptyElement(QStringLiteral("file"));
        for (const auto &[name, value] : downloadAttributes(info))
            writer.writeAttribute(name, value);
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

QByteArray cipherText(const QString &documentText)
{
    return g_crypt.encryptToString(documentText).toLatin1();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool writeEnciphered(const QString &path, const QString &documentText)
{
    return writeFile(path, cipherText(documentText));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString deciphered(const QString &path)
{
    return QString::fromUtf8(g_crypt.decryptToByteArray(QByteArray::fromBase64(fileBytes(path))));
}

// The files named "loclist1.broken-<yyyyMMddhhmmsszzz>" (and ".n" after it) beside path.
QStringList keptAside(const QString &path)
{
    const QFileInfo info(path);
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.broken-\\d{17}(\\.\\d+)?")));
    QStringList names;
    for (const QString &name : QDir(info.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (pattern.match(name).hasMatch())
            names << name;
    }
    return names;
}

_tag_localsonginfo_ song(const QString &path, const QString &title = QStringLiteral("t"))
{
    _tag_localsonginfo_ info;
    info.filepathname = path;
    info.title = title;
    return info;
}

_tag_localsonginfo_ localSong()
{
    _tag_localsonginfo_ info;
    info.filepathname = QStringLiteral("/home/用户/音乐/王菲 - 红豆.mp3");
    info.title = QStringLiteral("红豆");
    info.artist = QStringLiteral("王菲");
    info.album = QStringLiteral("唱游");
    info.sDur = QStringLiteral("03:07");
    return info;
}

_tag_localsonginfo_ foreignSong()
{
    _tag_localsonginfo_ info;
    info.filepathname = QStringLiteral("/media/usb/노래 🎵/𠀋 & <b>.wma");
    info.title = QStringLiteral("𠀋 후래");
    info.artist = QStringLiteral("Ærø \"Ø\"");
    info.album = QString();
    info.sDur = QStringLiteral("125:09");
    return info;
}

_tag_downloadsonginfo_ finishedDownload()
{
    _tag_downloadsonginfo_ info;
    info.size = QStringLiteral("4.00 M");
    info.sDur = QStringLiteral("04:10");
    info.album = QStringLiteral("我等你");
    info.title = QStringLiteral("后来");
    info.artist = QStringLiteral("刘若英");
    info.progress = 100;
    info.fin = true;
    info.filepathname = QStringLiteral("/home/用户/下载/刘若英 - 后来.mp3");
    info.url = QStringLiteral("http://audio.example/get?id=10086&fmt=mp3");
    info.downloaded = 4194304;
    info.sId = QStringLiteral("10086");
    return info;
}

// Past 4 GiB, so a 32-bit count would lose it.
_tag_downloadsonginfo_ unfinishedDownload()
{
    _tag_downloadsonginfo_ info;
    info.size = QStringLiteral("5000.00 M");
    info.sDur = QStringLiteral("61:00");
    info.title = QStringLiteral("live");
    info.artist = QStringLiteral("한국어");
    info.progress = 87;
    info.filepathname = QStringLiteral("/home/用户/下载/한국어 - live.mp3");
    info.url = QStringLiteral("http://audio.example/live.mp3");
    info.downloaded = Q_INT64_C(5000000000);
    info.sId = QStringLiteral("77");
    return info;
}

// Every field of a record, as one line, with the fields that are not stored at the end.
QString songLine(const _tag_localsonginfo_ &info)
{
    return QStringList{info.filepathname, info.title,
                       info.artist,       info.album,
                       info.sDur,         info.sExtra1,
                       info.sExtra2,      info.bDeleted ? QStringLiteral("removed") : QStringLiteral("kept")}
        .join(QLatin1Char('|'));
}

QString downloadLine(const _tag_downloadsonginfo_ &info)
{
    QStringList fields;
    for (const auto &[name, value] : downloadAttributes(info))
        fields << value;
    fields << (info.stopped ? QStringLiteral("stopped") : QStringLiteral("running")) << info.status
           << QString::number(info.downloading) << QString::number(info.queued) << info.progressText
           << QString::number(info.pLocalSong != nullptr) << QString::number(info.pDown != nullptr);
    return fields.join(QLatin1Char('|'));
}

QStringList songLines(const LocalListLoadResult &result)
{
    QStringList lines;
    for (const auto &info : result.songs)
        lines << songLine(*info);
    return lines;
}

QStringList downloadLines(const LocalListLoadResult &result)
{
    QStringList lines;
    for (const auto &info : result.downloads)
        lines << downloadLine(*info);
    return lines;
}

// A download row as a finished load gives it back: stopped exactly when not finished.
_tag_downloadsonginfo_ asLoaded(_tag_downloadsonginfo_ info)
{
    info.stopped = !info.fin;
    info.status.clear();
    info.downloading = info.queued = false;
    info.progressText.clear();
    info.pLocalSong = nullptr;
    info.pDown = nullptr;
    return info;
}

QStringList songLines(const QList<_tag_localsonginfo_> &songs)
{
    QStringList lines;
    for (const _tag_localsonginfo_ &info : songs)
        lines << songLine(info);
    return lines;
}

QStringList downloadLines(const QList<_tag_downloadsonginfo_> &downloads)
{
    QStringList lines;
    for (const _tag_downloadsonginfo_ &info : downloads)
        lines << downloadLine(asLoaded(info));
    return lines;
}

template <typename Record> QList<const Record *> pointers(const QList<Record> &records)
{
    QList<const Record *> list;
    for (const Record &info : records)
        list.append(&info);
    return list;
}

// "title" of the songs and "title:fin:downloaded:progress:stopped" of the rows, what the edge
// cases are about.
QString titles(const LocalListLoadResult &result)
{
    QStringList parts;
    for (const auto &info : result.songs)
        parts << info->title;
    parts << QStringLiteral("/");
    for (const auto &info : result.downloads)
        parts << QStringLiteral("%1:%2:%3:%4:%5")
                     .arg(info->title)
                     .arg(int(info->fin))
                     .arg(info->downloaded)
                     .arg(info->progress)
                     .arg(int(info->stopped));
    return parts.join(QLatin1Char(' '));
}

const QString kCache = QStringLiteral("/home/u/.cache/kvr");

} // namespace

class TestLocalListFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path() const { return m_dir.path() + QStringLiteral("/loclist1"); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            QFileInfo entry(dir.filePath(name));
            QVERIFY(entry.isDir() ? QDir(entry.filePath()).removeRecursively()
                                  : QFile::remove(entry.filePath()));
        }
    }

    void readsEveryField()
    {
        // The reader goes by name: the third row has its attributes in another order, one more
        // of them, and some missing, which read as empty, 0 and not finished.
        const QString shuffled =
            fileElement({{QStringLiteral("url"), QStringLiteral("http://a.example/x.mp3")},
                         {QStringLiteral("extra"), QStringLiteral("x")},
                         {QStringLiteral("title"), QStringLiteral("x")},
                         {QStringLiteral("downloaded"), QStringLiteral("12")},
                         {QStringLiteral("sId"), QStringLiteral("5")}});
        const QString partSong = fileElement({{QStringLiteral("sDur"), QStringLiteral("00:59")},
                                              {QStringLiteral("filepathname"), QStringLiteral("/m/a.mp3")}});
        QVERIFY(writeEnciphered(
            path(), libraryDocument({fileElement(songAttributes(localSong())),
                                     fileElement(songAttributes(foreignSong())), partSong},
                                    {fileElement(downloadAttributes(finishedDownload())),
                                     fileElement(downloadAttributes(unfinishedDownload())), shuffled})));

        LocalListFile file(m_dir.path());
        QCOMPARE(file.path(), path());
        QVERIFY(file.mustKeepAside());
        const LocalListLoadResult result = file.load(kCache);
        QCOMPARE(result.outcome, LocalListLoad::Loaded);
        QVERIFY(result.errorText.isEmpty());
        QVERIFY(!file.mustKeepAside());

        _tag_localsonginfo_ third;
        third.filepathname = QStringLiteral("/m/a.mp3");
        third.sDur = QStringLiteral("00:59");
        QCOMPARE(songLines(result), songLines({localSong(), foreignSong(), third}));
        _tag_downloadsonginfo_ sixth;
        sixth.url = QStringLiteral("http://a.example/x.mp3");
        sixth.title = QStringLiteral("x");
        sixth.downloaded = 12;
        sixth.sId = QStringLiteral("5");
        QCOMPARE(downloadLines(result), downloadLines({finishedDownload(), unfinishedDownload(), sixth}));
        // The rows come back as nothing works on them: the unfinished ones wait for the user.
        QVERIFY(!result.downloads[0]->stopped);
        QVERIFY(result.downloads[1]->stopped);
    }

    void writesTheFormat()
    {
        const QList<_tag_localsonginfo_> songs{localSong(), foreignSong()};
        const QList<_tag_downloadsonginfo_> downloads{finishedDownload(), unfinishedDownload()};
        LocalListFile file(m_dir.path());
        QString error;
        QVERIFY2(file.save(pointers(songs), pointers(downloads), kCache, &error), qPrintable(error));

        // One line of base64, nothing else.
        const QByteArray content = fileBytes(path());
        QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9+/=]+$"))
                    .match(QString::fromLatin1(content))
                    .hasMatch());
        const QString expected = libraryDocument(
            {fileElement(songAttributes(songs[0])), fileElement(songAttributes(songs[1]))},
            {fileElement(downloadAttributes(downloads[0])), fileElement(downloadAttributes(downloads[1]))});
        QCOMPARE(deciphered(path()), expected);
        QCOMPARE(QString::fromUtf8(streamWriterDocument(songs, downloads)), expected);

        // An empty library and an empty download page are empty sections.
        QVERIFY2(file.save({}, {}, kCache, &error), qPrintable(error));
        QCOMPARE(deciphered(path()), libraryDocument({}, {}));
        QCOMPARE(QString::fromUtf8(streamWriterDocument({}, {})), libraryDocument({}, {}));
        const LocalListLoadResult empty = file.load(kCache);
        QCOMPARE(empty.outcome, LocalListLoad::Loaded);
        QVERIFY(empty.songs.empty() && empty.downloads.empty());
    }

    // Records only: the rows are left as they are, none is freed or changed.
    void savesWhatTheLibraryHolds()
    {
        _tag_localsonginfo_ removed = song(QStringLiteral("/m/removed.mp3"), QStringLiteral("removed"));
        removed.bDeleted = true;
        const QList<_tag_localsonginfo_> songs{
            song(QStringLiteral("/m/a.mp3"), QStringLiteral("a")),
            removed,
            song(kCache + QStringLiteral("/x.dat"), QStringLiteral("cached")),
            song(kCache + QStringLiteral("/sub/y.mp3"), QStringLiteral("below the cache")),
            song(kCache + QStringLiteral("2/z.mp3"), QStringLiteral("beside the cache")),
            song(QStringLiteral("/home/u/.cache/KVR/w.mp3"), QStringLiteral("other case")),
            song(QStringLiteral("b.mp3"), QStringLiteral("no folder")),
        };
        QList<const _tag_localsonginfo_ *> rows = pointers(songs);
        rows.insert(1, nullptr);
        _tag_downloadsonginfo_ cachedRow = unfinishedDownload();
        cachedRow.filepathname = kCache + QStringLiteral("/d.mp3");
        QList<const _tag_downloadsonginfo_ *> downloadRows{&cachedRow, nullptr};

        LocalListFile file(m_dir.path());
        QVERIFY(file.save(rows, downloadRows, kCache));
        QStringList written;
        for (int i : {0, 3, 4, 5, 6})
            written << fileElement(songAttributes(songs[i]));
        QCOMPARE(deciphered(path()), libraryDocument(written, {fileElement(downloadAttributes(cachedRow))}));

        // Without a folder manager no song is in the cache.
        QVERIFY(file.save(rows, {}, QString()));
        written.insert(1, fileElement(songAttributes(songs[2])));
        QCOMPARE(deciphered(path()), libraryDocument(written, {}));
    }

    // Text from any script survives a save and a load; so do the characters XML escapes. Control
    // characters that XML 1.0 cannot hold are left out rather than spoiling the whole library.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        const QString outsideGbk = QStringLiteral("🎵 한국어 𠀋 ěǹ ∯ \u200D");
        QTest::newRow("outside GBK") << outsideGbk << outsideGbk;
        const QString markup = QStringLiteral("a & b <c> \"d\" 'e' ]]> &amp;");
        QTest::newRow("markup") << markup << markup;
        const QString spaced = QStringLiteral(" a\tb\nc\r\nd ");
        QTest::newRow("white space") << spaced << spaced;
        QTest::newRow("control characters")
            << QStringLiteral("a\u0001b\u001Fc\u0000d\uFFFF") << QStringLiteral("abcd");
        QTest::newRow("empty") << QString() << QString();
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        _tag_localsonginfo_ changed;
        changed.filepathname = QStringLiteral("/m/") + text;
        changed.title = changed.artist = changed.album = changed.sDur = text;
        _tag_downloadsonginfo_ row = unfinishedDownload();
        row.size = row.sDur = row.album = row.title = row.artist = row.url = row.sId = text;
        row.filepathname = QStringLiteral("/d/") + text;
        const QList<_tag_localsonginfo_> songs{localSong(), changed, foreignSong()};
        const QList<_tag_downloadsonginfo_> downloads{row, finishedDownload()};

        // Byte for byte what the stream writer makes of text it can write.
        if (text == read)
            QCOMPARE(LocalListFile::document(pointers(songs), pointers(downloads), kCache),
                     streamWriterDocument(songs, downloads));
        LocalListFile file(m_dir.path());
        QVERIFY(file.save(pointers(songs), pointers(downloads), kCache));
        const LocalListLoadResult result = file.load(kCache);
        QCOMPARE(result.outcome, LocalListLoad::Loaded);

        changed.filepathname = QStringLiteral("/m/") + read;
        changed.title = changed.artist = changed.album = changed.sDur = read;
        row.size = row.sDur = row.album = row.title = row.artist = row.url = row.sId = read;
        row.filepathname = QStringLiteral("/d/") + read;
        QCOMPARE(songLines(result), songLines({localSong(), changed, foreignSong()}));
        QCOMPARE(downloadLines(result), downloadLines({row, finishedDownload()}));
    }

    void readsTheEdgeCases_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QString>("cacheDir");
        QTest::addColumn<LocalListLoad>("outcome");
        QTest::addColumn<QString>("records"); // see titles()

        const auto songOf = [](const QString &path, const QString &title) {
            return fileElement({{QStringLiteral("filepathname"), path}, {QStringLiteral("title"), title}});
        };
        const auto rowWith = [](const QString &title, const Attributes &more) {
            return fileElement(Attributes{{QStringLiteral("title"), title}} + more);
        };
        const QString fin = QStringLiteral("fin");
        const QString downloaded = QStringLiteral("downloaded");
        const QString progress = QStringLiteral("progress");

        QTest::newRow("fin other than 1")
            << libraryDocument({}, {rowWith(QStringLiteral("a"), {{fin, QStringLiteral("1")}}),
                                    rowWith(QStringLiteral("b"), {{fin, QStringLiteral("true")}}),
                                    rowWith(QStringLiteral("c"), {{fin, QStringLiteral("01")}}),
                                    rowWith(QStringLiteral("d"), {{fin, QStringLiteral(" 1")}}),
                                    rowWith(QStringLiteral("e"), {{fin, QString()}}),
                                    rowWith(QStringLiteral("f"), {})})
            << kCache << LocalListLoad::Loaded
            << QStringLiteral("/ a:1:0:0:0 b:0:0:0:1 c:0:0:0:1 d:0:0:0:1 e:0:0:0:1 f:0:0:0:1");
        QTest::newRow("numbers")
            << libraryDocument(
                   {}, {rowWith(QStringLiteral("a"),
                                {{downloaded, QStringLiteral("x")}, {progress, QStringLiteral("y")}}),
                        rowWith(QStringLiteral("b"),
                                {{downloaded, QStringLiteral("1.5")}, {progress, QString()}}),
                        rowWith(QStringLiteral("c"), {{downloaded, QStringLiteral("9223372036854775808")},
                                                      {progress, QStringLiteral("2147483648")}}),
                        rowWith(QStringLiteral("d"), {{downloaded, QStringLiteral("9223372036854775807")},
                                                      {progress, QStringLiteral("-3")}})})
            << kCache << LocalListLoad::Loaded
            << QStringLiteral("/ a:0:0:0:1 b:0:0:0:1 c:0:0:0:1 d:0:9223372036854775807:-3:1");

        // Only songs right in the cache folder, compared exactly; download rows are not tested.
        QTest::newRow("cache folder")
            << libraryDocument({songOf(kCache + QStringLiteral("/a.dat"), QStringLiteral("in")),
                                songOf(kCache + QStringLiteral("/sub/b.mp3"), QStringLiteral("below")),
                                songOf(kCache + QStringLiteral("x/c.mp3"), QStringLiteral("beside")),
                                songOf(QStringLiteral("/home/u/.Cache/kvr/d.mp3"), QStringLiteral("case")),
                                songOf(kCache, QStringLiteral("folder itself")),
                                songOf(QStringLiteral("e.mp3"), QStringLiteral("no folder"))},
                               {songOf(kCache + QStringLiteral("/f.mp3"), QStringLiteral("row"))})
            << kCache << LocalListLoad::Loaded
            << QStringLiteral("below beside case folder itself no folder / row:0:0:0:1");
        QTest::newRow("no cache folder")
            << libraryDocument({songOf(kCache + QStringLiteral("/a.dat"), QStringLiteral("in"))}, {})
            << QString() << LocalListLoad::Loaded << QStringLiteral("in /");

        // Other elements, wherever they stand, are skipped with all they hold.
        const QString a = songOf(QStringLiteral("/m/a.mp3"), QStringLiteral("a"));
        const QString b = songOf(QStringLiteral("/m/b.mp3"), QStringLiteral("b"));
        const QString r = rowWith(QStringLiteral("r"), {{fin, QStringLiteral("1")}});
        const QString s = rowWith(QStringLiteral("s"), {});
        QTest::newRow("other elements")
            << wrapped(QStringLiteral("<file title=\"root file\"/><other><import>") + b +
                       QStringLiteral("</import></other><import><other>") + b + QStringLiteral("</other>") +
                       a + QStringLiteral("<song title=\"song\"/></import><downrecord><other>") + s +
                       QStringLiteral("</other>") + r + QStringLiteral("<x/></downrecord>"))
            << kCache << LocalListLoad::Loaded << QStringLiteral("a / r:1:0:0:0");
        QTest::newRow("content of a file element")
            << wrapped(QStringLiteral(
                   "<import><file title=\"a\"><file title=\"inner\"/>text</file></import>"
                   "<downrecord><file title=\"r\"><file title=\"inner\"/></file></downrecord>"))
            << kCache << LocalListLoad::Loaded << QStringLiteral("a / r:0:0:0:1");
        QTest::newRow("sections twice and in the other order")
            << wrapped(QStringLiteral("<downrecord>") + r + QStringLiteral("</downrecord><import>") + a +
                       QStringLiteral("</import><import>") + b + QStringLiteral("</import><downrecord>") + s +
                       QStringLiteral("</downrecord>"))
            << kCache << LocalListLoad::Loaded << QStringLiteral("a b / r:1:0:0:0 s:0:0:0:1");
        QString latin1 = wrapped(QStringLiteral("<import>") +
                                 songOf(QStringLiteral("/m/红豆.mp3"), QStringLiteral("红豆")) +
                                 QStringLiteral("</import>"));
        latin1.replace(QStringLiteral("UTF-8"), QStringLiteral("ISO-8859-1"));
        QTest::newRow("declared encoding")
            << latin1 << kCache << LocalListLoad::Loaded << QStringLiteral("红豆 /");
        QTest::newRow("text after the root")
            << wrapped(QStringLiteral("<import>") + a + QStringLiteral("</import>")) +
                   QStringLiteral("trailing <x>")
            << kCache << LocalListLoad::Loaded << QStringLiteral("a /");

        // Not a library of this format: nothing is read.
        const QString full = libraryDocument({a}, {r});
        QString other = full;
        other.replace(QStringLiteral("<kvr version=\"1.0\">"), QStringLiteral("<kvl version=\"1.0\">"))
            .replace(QStringLiteral("</kvr>"), QStringLiteral("</kvl>"));
        QTest::newRow("another root") << other << kCache << LocalListLoad::NotAList << QStringLiteral("/");
        QTest::newRow("version 1.1") << libraryDocument({a}, {r}, QStringLiteral("<kvr version=\"1.1\">"))
                                     << kCache << LocalListLoad::NotAList << QStringLiteral("/");
        QTest::newRow("no version") << libraryDocument({a}, {r}, QStringLiteral("<kvr>")) << kCache
                                    << LocalListLoad::NotAList << QStringLiteral("/");
        QTest::newRow("no element") << QStringLiteral("<?xml version=\"1.0\"?>\n") << kCache
                                    << LocalListLoad::NotAList << QStringLiteral("/");
        QTest::newRow("not XML") << QStringLiteral("loclist1") << kCache << LocalListLoad::NotAList
                                 << QStringLiteral("/");

        // What comes before the break is loaded; the file is kept aside on the next save.
        QTest::newRow("broken off in the download rows")
            << full.left(full.indexOf(QStringLiteral("<downrecord>")) + 20) << kCache
            << LocalListLoad::BrokenOff << QStringLiteral("a /");
        QTest::newRow("broken after a row")
            << wrapped(QStringLiteral("<import>") + a + QStringLiteral("</import><downrecord>") + r + b +
                       QStringLiteral("<bad attr=\"x></downrecord>"))
            << kCache << LocalListLoad::BrokenOff << QStringLiteral("a / r:1:0:0:0 b:0:0:0:1");
    }
    void readsTheEdgeCases()
    {
        QFETCH(QString, xml);
        QFETCH(QString, cacheDir);
        QFETCH(LocalListLoad, outcome);
        QFETCH(QString, records);
        QVERIFY(writeEnciphered(path(), xml));
        LocalListFile file(m_dir.path());
        const LocalListLoadResult result = file.load(cacheDir);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(titles(result), records);
        QCOMPARE(file.mustKeepAside(), outcome != LocalListLoad::Loaded);
        if (outcome == LocalListLoad::NotAList && xml.contains(QStringLiteral("<k")))
            QCOMPARE(result.errorText, QStringLiteral("The file is not an kvr version 1.0 file."));
    }

    // The first 20000 import entries are taken, cache-folder songs among them; the next one ends
    // the reading of the whole document, so the download rows after it are not read.
    void importCap_data()
    {
        QTest::addColumn<QList<int>>("sections"); // entries of each import section
        QTest::addColumn<bool>("firstCached");
        QTest::addColumn<LocalListLoad>("outcome");
        QTest::addColumn<int>("songs");
        QTest::addColumn<int>("downloads");
        QTest::newRow("20000") << QList<int>{20000} << false << LocalListLoad::Loaded << 20000 << 1;
        QTest::newRow("20001") << QList<int>{20001} << false << LocalListLoad::TooManySongs << 20000 << 0;
        QTest::newRow("cached entries count")
            << QList<int>{20001} << true << LocalListLoad::TooManySongs << 19999 << 0;
        QTest::newRow("cached entry within the cap")
            << QList<int>{20000} << true << LocalListLoad::Loaded << 19999 << 1;
        QTest::newRow("counted over two sections")
            << QList<int>{15000, 5001} << false << LocalListLoad::TooManySongs << 20000 << 0;
    }
    void importCap()
    {
        QFETCH(QList<int>, sections);
        QFETCH(bool, firstCached);
        QFETCH(LocalListLoad, outcome);
        QFETCH(int, songs);
        QFETCH(int, downloads);
        QString inner;
        int n = 0;
        for (int entries : sections) {
            // Other elements in the section are not entries.
            inner += QStringLiteral("<import><other/>");
            for (int i = 0; i < entries; ++i, ++n) {
                const QString folder = n == 0 && firstCached ? kCache : QStringLiteral("/m");
                inner +=
                    QStringLiteral("<file filepathname=\"%1/s%2.mp3\" title=\"s%2\"/>").arg(folder).arg(n);
            }
            inner += QStringLiteral("</import>");
        }
        inner += QStringLiteral("<downrecord><file title=\"r\"/></downrecord>");
        QVERIFY(writeEnciphered(path(), wrapped(inner)));

        const LocalListLoadResult result = LocalListFile(m_dir.path()).load(kCache);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(int(result.songs.size()), songs);
        QCOMPARE(int(result.downloads.size()), downloads);
        QCOMPARE(result.songs.back()->title, QStringLiteral("s19999"));
    }

    // The first 20000 visited rows are written: removed rows and rows without record take no
    // place, cache-folder songs do. Every download row is written.
    void saveCap()
    {
        QList<_tag_localsonginfo_> songs;
        for (int i = 0; i < 20002; ++i)
            songs << song(QStringLiteral("/m/s%1.mp3").arg(i), QStringLiteral("s%1").arg(i));
        songs[0].bDeleted = true;
        songs[1].filepathname = kCache + QStringLiteral("/s1.dat");
        QList<const _tag_localsonginfo_ *> rows = pointers(songs);
        rows.insert(5, nullptr);
        const QList<_tag_downloadsonginfo_> downloads{finishedDownload()};

        LocalListFile file(m_dir.path());
        QVERIFY(file.save(rows, pointers(downloads), kCache));
        QStringList written;
        for (int i = 2; i < 20001; ++i)
            written << fileElement(songAttributes(songs[i]));
        QCOMPARE(deciphered(path()),
                 libraryDocument(written, {fileElement(downloadAttributes(downloads[0]))}));
        const LocalListLoadResult result = file.load(kCache);
        QCOMPARE(result.outcome, LocalListLoad::Loaded);
        QCOMPARE(result.songs.size(), size_t(19999));
        QCOMPARE(result.downloads.size(), size_t(1));
    }

    // A file of kMaxFileSize bytes is read; one byte more is not. Base64 skips the line breaks
    // that fill it up.
    void sizeLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<LocalListLoad>("outcome");
        QTest::newRow("at the limit") << LocalListFile::kMaxFileSize << LocalListLoad::Loaded;
        QTest::newRow("one byte more") << LocalListFile::kMaxFileSize + 1 << LocalListLoad::TooLarge;
    }
    void sizeLimit()
    {
        QFETCH(qint64, size);
        QFETCH(LocalListLoad, outcome);
        QByteArray content = cipherText(libraryDocument({fileElement(songAttributes(localSong()))}, {}));
        content.append(QByteArray(size - content.size(), '\n'));
        QVERIFY(writeFile(path(), content));
        content.clear();
        LocalListFile file(m_dir.path());
        const LocalListLoadResult result = file.load(kCache);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.songs.size(), size_t(outcome == LocalListLoad::Loaded ? 1 : 0));
        QCOMPARE(file.mustKeepAside(), outcome != LocalListLoad::Loaded);
    }

    // A file that exists but was not read whole is renamed aside by the first save, never
    // replaced.
    void keepsUnreadFilesAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<LocalListLoad>("outcome");
        QTest::newRow("garbage") << QStringLiteral("garbage") << LocalListLoad::Undecipherable;
        QTest::newRow("other document") << QStringLiteral("other") << LocalListLoad::NotAList;
        QTest::newRow("broken off") << QStringLiteral("cut") << LocalListLoad::BrokenOff;
        QTest::newRow("too many songs") << QStringLiteral("many") << LocalListLoad::TooManySongs;
        QTest::newRow("too large") << QStringLiteral("large") << LocalListLoad::TooLarge;
        QTest::newRow("cannot be opened") << QStringLiteral("folder") << LocalListLoad::Unreadable;
        QTest::newRow("never loaded") << QStringLiteral("unloaded") << LocalListLoad::Loaded;
    }
    void keepsUnreadFilesAside()
    {
        QFETCH(QString, kind);
        QFETCH(LocalListLoad, outcome);
        const QString oldDocument = libraryDocument({fileElement(songAttributes(localSong()))},
                                                    {fileElement(downloadAttributes(finishedDownload()))});
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path() + QStringLiteral("/inside")));
        } else if (kind == QLatin1String("other")) {
            QVERIFY(
                writeEnciphered(path(), QStringLiteral("<?xml version=\"1.0\"?>\n<kvr version=\"2.0\"/>\n")));
        } else if (kind == QLatin1String("cut")) {
            QVERIFY(writeEnciphered(path(), oldDocument.left(oldDocument.size() - 30)));
        } else if (kind == QLatin1String("many")) {
            QStringList songs;
            for (int i = 0; i <= LocalListFile::kMaxImportEntries; ++i)
                songs << fileElement({{QStringLiteral("title"), QString::number(i)}});
            QVERIFY(writeEnciphered(path(), libraryDocument(songs, {})));
        } else if (kind == QLatin1String("unloaded")) {
            QVERIFY(writeEnciphered(path(), oldDocument));
        } else {
            QFile file(path());
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("garbage"))
                QVERIFY(file.write("not a library\n") > 0);
            // Sparse: the size counts, not the content.
            if (kind == QLatin1String("large"))
                QVERIFY(file.resize(LocalListFile::kMaxFileSize + 1));
        }
        const QByteArray before = QFileInfo(path()).isFile() ? fileBytes(path()) : QByteArray();

        LocalListFile file(m_dir.path());
        if (kind != QLatin1String("unloaded")) {
            const LocalListLoadResult result = file.load(kCache);
            QCOMPARE(result.outcome, outcome);
            QCOMPARE(result.errorText.isEmpty(),
                     outcome != LocalListLoad::Unreadable && outcome != LocalListLoad::NotAList);
        }
        QVERIFY(file.mustKeepAside());

        const QList<_tag_localsonginfo_> songs{foreignSong()};
        QString error;
        QVERIFY2(file.save(pointers(songs), {}, kCache, &error), qPrintable(error));
        const QStringList aside = keptAside(path());
        QCOMPARE(aside.size(), 1);
        QCOMPARE(file.keptAsidePath(), m_dir.path() + QLatin1Char('/') + aside.first());
        if (kind == QLatin1String("folder"))
            QVERIFY(QFileInfo(file.keptAsidePath() + QStringLiteral("/inside")).isDir());
        else
            QCOMPARE(fileBytes(file.keptAsidePath()), before);
        QCOMPARE(songLines(file.load(kCache)), songLines(songs));

        // Only the unread file is kept: the next saves replace the new one.
        QVERIFY(file.save(pointers(songs), {}, kCache));
        QVERIFY(file.save({}, {}, kCache));
        QCOMPARE(keptAside(path()).size(), 1);
    }

    // A file read whole, an empty one and none at all are simply replaced.
    void readFilesAreReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<LocalListLoad>("outcome");
        QTest::newRow("library") << QStringLiteral("library") << LocalListLoad::Loaded;
        QTest::newRow("empty file") << QStringLiteral("empty") << LocalListLoad::Missing;
        QTest::newRow("no file") << QStringLiteral("none") << LocalListLoad::Missing;
    }
    void readFilesAreReplaced()
    {
        QFETCH(QString, kind);
        QFETCH(LocalListLoad, outcome);
        if (kind == QLatin1String("library"))
            QVERIFY(writeEnciphered(path(), libraryDocument({}, {})));
        else if (kind == QLatin1String("empty"))
            QVERIFY(writeFile(path(), QByteArray()));
        LocalListFile file(m_dir.path());
        QCOMPARE(file.load(kCache).outcome, outcome);
        QVERIFY(!file.mustKeepAside());
        const QList<_tag_localsonginfo_> songs{localSong()};
        QVERIFY(file.save(pointers(songs), {}, kCache));
        QVERIFY(keptAside(path()).isEmpty());
        QCOMPARE(songLines(file.load(kCache)), songLines(songs));
    }

    // A save that cannot be completed leaves the previous file as it was and says why: a write
    // that fails half-way (here the file size limit, as a full disk would), or a library too large
    // to be read again.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("write fails") << true;
        QTest::newRow("too large to read again") << false;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(bool, diskFull);
        const QString old = libraryDocument({fileElement(songAttributes(localSong()))}, {});
        QVERIFY(writeEnciphered(path(), old));
        LocalListFile file(m_dir.path());
        QCOMPARE(file.load(kCache).outcome, LocalListLoad::Loaded);

        QList<_tag_localsonginfo_> songs;
        QList<_tag_downloadsonginfo_> downloads;
        if (diskFull) {
            for (int i = 0; i < 5000; ++i)
                songs << song(QStringLiteral("/m/%1.mp3").arg(i),
                              QStringLiteral("%1 %2").arg(i).arg(QString(100, QChar(0x4E00 + i % 2000))));
        } else {
            // Three UTF-8 bytes a character: just past the largest document.
            downloads << finishedDownload();
            downloads[0].url = QString(LocalListFile::kMaxDocumentSize / 3, QChar(0x4E2D));
        }
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (diskFull) {
            rlimit small = saved;
            small.rlim_cur = 4096;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        QString error;
        const bool ok = file.save(pointers(songs), pointers(downloads), kCache, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(deciphered(path()), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("loclist1")});
    }
};

KVR_TEST_GUILESS_MAIN(TestLocalListFile)
#include "tst_locallistfile.moc"
