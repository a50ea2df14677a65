// The list files of the three song lists, read and written by PlayListFile: the format against
// documents put together by hand, the differences between the three lists, the limits, what is
// kept aside, and a failed write.

#include "KvrTestMain.h"
#include "PlayListDocs.h"

#include "playlists/PlayListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace playlistdocs;

Q_DECLARE_METATYPE(PlayListVariant)
Q_DECLARE_METATYPE(PlayListLoad)

namespace QTest {
template <> char *toString(const PlayListLoad &outcome)
{
    static const char *const names[] = {"Loaded",         "Missing",  "TooLarge", "Unreadable",
                                        "Undecipherable", "NotAList", "BrokenOff"};
    return qstrdup(names[int(outcome)]);
}
} // namespace QTest

namespace {

QList<const _tag_playlistsonginfo_ *> pointers(const QList<_tag_playlistsonginfo_> &rows)
{
    QList<const _tag_playlistsonginfo_ *> list;
    for (const _tag_playlistsonginfo_ &row : rows)
        list.append(&row);
    return list;
}

QList<_tag_playlistsonginfo_> values(const PlayListLoadResult &result)
{
    QList<_tag_playlistsonginfo_> list;
    for (const auto &row : result.rows)
        list.append(*row);
    return list;
}

// "title|type|count" of each row, the fields the edge cases are about.
QStringList summary(const PlayListLoadResult &result)
{
    QStringList lines;
    for (const auto &row : result.rows)
        lines << row->title + QLatin1Char('|') + QString::number(row->type) + QLatin1Char('|') +
                     QString::number(row->count);
    return lines;
}

QString songWithTitle(const QString &title, const QString &extra = QString())
{
    return QStringLiteral("<song Duartion=\"01:00\" filePath=\"/a.mp3\" type=\"3\" title=\"%1\"%2/>")
        .arg(escaped(title), extra);
}

// The rows as QXmlStreamWriter with automatic formatting writes them, as the list files have
// always been written.
QByteArray streamWriterDocument(const QList<_tag_playlistsonginfo_> &rows, const PlayListVariant &variant)
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("kvr"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writer.writeStartElement(variant.container);
    for (const _tag_playlistsonginfo_ &row : rows) {
        writer.writeEmptyElement(QStringLiteral("song"));
        for (const auto &[name, value] : attributesOf(row, variant.bWithCount))
            writer.writeAttribute(name, value);
    }
    writer.writeEndDocument();
    return xml;
}

// The files named "<name>.broken-<yyyyMMddhhmmsszzz>" (and ".n" after it) beside path.
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

} // namespace

class TestPlayListFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString pathOf(const PlayListVariant &variant) const
    {
        return m_dir.path() + QLatin1Char('/') + variant.fileName;
    }

    void addVariantRows()
    {
        QTest::addColumn<PlayListVariant>("variant");
        QTest::newRow("play queue") << kPlayQueueList;
        QTest::newRow("recently played") << kRecentList;
        QTest::newRow("most played") << kChartList;
    }

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

    void readsEveryField_data() { addVariantRows(); }
    void readsEveryField()
    {
        QFETCH(PlayListVariant, variant);
        const _tag_playlistsonginfo_ local = localRow();
        const _tag_playlistsonginfo_ network = networkRow();
        // The reader goes by name: the third song has its attributes in another order, one more
        // of them, and none of "count".
        const QString shuffled = song({{QStringLiteral("title"), QStringLiteral("后来")},
                                       {QStringLiteral("extra"), QStringLiteral("x")},
                                       {QStringLiteral("type"), QStringLiteral("2")},
                                       {QStringLiteral("id"), QStringLiteral("9")},
                                       {QStringLiteral("Duartion"), QStringLiteral("04:10")}});
        const QString path = pathOf(variant);
        QVERIFY(writeEnciphered(
            path, document(variant.container,
                           {song(attributesOf(local, true)), song(attributesOf(network, true)), shuffled})));

        PlayListFile file(m_dir.path(), variant);
        QCOMPARE(file.path(), path);
        const PlayListLoadResult result = file.load();
        QCOMPARE(result.outcome, PlayListLoad::Loaded);
        QVERIFY(!file.mustKeepAside());

        _tag_playlistsonginfo_ third;
        third.title = QStringLiteral("后来");
        third.type = 2;
        third.id = QStringLiteral("9");
        third.Duartion = QStringLiteral("04:10");
        QList<_tag_playlistsonginfo_> expected{local, network, third};
        for (_tag_playlistsonginfo_ &row : expected)
            row.count = variant.bWithCount ? row.count : 0;
        QCOMPARE(values(result), expected);
    }

    void writesTheFormat_data() { addVariantRows(); }
    void writesTheFormat()
    {
        QFETCH(PlayListVariant, variant);
        const QList<_tag_playlistsonginfo_> rows{localRow(), networkRow()};
        PlayListFile file(m_dir.path(), variant);
        QString error;
        QVERIFY2(file.save(pointers(rows), &error), qPrintable(error));

        const QByteArray content = fileBytes(file.path());
        QVERIFY(!content.isEmpty());
        QVERIFY(!content.contains('\n'));
        QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9+/=]+$"))
                    .match(QString::fromLatin1(content))
                    .hasMatch());
        QCOMPARE(deciphered(file.path()),
                 document(variant.container, {song(attributesOf(rows[0], variant.bWithCount)),
                                              song(attributesOf(rows[1], variant.bWithCount))}));

        // An empty list is the root holding an empty container, and reads back as no rows.
        QVERIFY2(file.save({}, &error), qPrintable(error));
        QCOMPARE(deciphered(file.path()), document(variant.container, {}));
        const PlayListLoadResult empty = file.load();
        QCOMPARE(empty.outcome, PlayListLoad::Loaded);
        QCOMPARE(empty.rows.size(), size_t(0));
    }

    void readsTheEdgeCases_data()
    {
        QTest::addColumn<PlayListVariant>("variant");
        QTest::addColumn<QString>("xml");
        QTest::addColumn<PlayListLoad>("outcome");
        QTest::addColumn<QStringList>("rows"); // title|type|count

        const QString blank = songWithTitle(QStringLiteral("   "));
        const QString padded = songWithTitle(QStringLiteral(" 红豆 "));
        const QString counted = songWithTitle(QStringLiteral("a"), QStringLiteral(" count=\"7\""));
        QTest::newRow("blank title, play queue")
            << kPlayQueueList << document(QStringLiteral("list"), {blank, counted}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral("a|3|0")};
        QTest::newRow("blank title, recently played")
            << kRecentList << document(QStringLiteral("list_Recent"), {blank}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral("   |3|0")};
        QTest::newRow("blank title, most played")
            << kChartList << document(QStringLiteral("list_Count"), {blank, counted}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral("   |3|0"), QStringLiteral("a|3|7")};
        QTest::newRow("padded title, play queue")
            << kPlayQueueList << document(QStringLiteral("list"), {padded}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral("红豆|3|0")};
        QTest::newRow("padded title, recently played")
            << kRecentList << document(QStringLiteral("list_Recent"), {padded}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral(" 红豆 |3|0")};
        QTest::newRow("padded title, most played")
            << kChartList << document(QStringLiteral("list_Count"), {padded}) << PlayListLoad::Loaded
            << QStringList{QStringLiteral(" 红豆 |3|0")};
        QTest::newRow("type missing or not a number")
            << kRecentList
            << document(QStringLiteral("list_Recent"), {QStringLiteral("<song title=\"a\"/>"),
                                                        QStringLiteral("<song title=\"b\" type=\"x2\"/>")})
            << PlayListLoad::Loaded << QStringList{QStringLiteral("a|0|0"), QStringLiteral("b|0|0")};

        // The file is UTF-8 whatever a damaged declaration says.
        QString declared = document(QStringLiteral("list_Recent"), {padded});
        declared.replace(QStringLiteral("encoding=\"UTF-8\""), QStringLiteral("encoding=\"ISO-8859-1\""));
        QTest::newRow("another encoding declared")
            << kRecentList << declared << PlayListLoad::Loaded << QStringList{QStringLiteral(" 红豆 |3|0")};

        // Only songs inside the page's own container count.
        const QString stray =
            QStringLiteral("<?xml version=\"1.0\"?>\n<kvr version=\"1.0\">"
                           "<song title=\"outside\"/>"
                           "<list_Recent><song title=\"other list\"/></list_Recent>"
                           "<list><other title=\"other element\"><song title=\"nested\"/></other>"
                           "<song title=\"inside\"/></list>"
                           "<list><song title=\"second container\"/></list>"
                           "</kvr>");
        QTest::newRow("songs elsewhere are ignored")
            << kPlayQueueList << stray << PlayListLoad::Loaded
            << QStringList{QStringLiteral("inside|0|0"), QStringLiteral("second container|0|0")};

        // Not a list of this format: nothing is read.
        QTest::newRow("another root")
            << kPlayQueueList
            << document(QStringLiteral("list"), {counted}, QStringLiteral("<kvl version=\"1.0\">"),
                        QStringLiteral("</kvl>"))
            << PlayListLoad::NotAList << QStringList{};
        QTest::newRow("version 1.1") << kPlayQueueList
                                     << document(QStringLiteral("list"), {counted},
                                                 QStringLiteral("<kvr version=\"1.1\">"))
                                     << PlayListLoad::NotAList << QStringList{};
        QTest::newRow("no version") << kChartList
                                    << document(QStringLiteral("list_Count"), {counted},
                                                QStringLiteral("<kvr>"))
                                    << PlayListLoad::NotAList << QStringList{};
        QTest::newRow("no element") << kPlayQueueList << QStringLiteral("<?xml version=\"1.0\"?>\n")
                                    << PlayListLoad::NotAList << QStringList{};
        QTest::newRow("not XML") << kPlayQueueList << QStringLiteral("defaultList") << PlayListLoad::NotAList
                                 << QStringList{};

        // Songs before the break are kept; the file is kept aside on the next save.
        QString cut = document(QStringLiteral("list"), {counted, songWithTitle(QStringLiteral("b"))});
        cut.chop(40);
        QTest::newRow("broken off") << kPlayQueueList << cut << PlayListLoad::BrokenOff
                                    << QStringList{QStringLiteral("a|3|0")};
    }
    void readsTheEdgeCases()
    {
        QFETCH(PlayListVariant, variant);
        QFETCH(QString, xml);
        QFETCH(PlayListLoad, outcome);
        QFETCH(QStringList, rows);
        QVERIFY(writeEnciphered(pathOf(variant), xml));
        PlayListFile file(m_dir.path(), variant);
        const PlayListLoadResult result = file.load();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(summary(result), rows);
        QCOMPARE(file.mustKeepAside(), outcome != PlayListLoad::Loaded);
    }

    // The queue takes 10000 song elements, blank-titled ones included; the two history lists
    // take 10001.
    void readLimits_data()
    {
        QTest::addColumn<PlayListVariant>("variant");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("last");
        QTest::newRow("play queue") << kPlayQueueList << 9999 << QStringLiteral("s9999");
        QTest::newRow("recently played") << kRecentList << 10001 << QStringLiteral("s10000");
        QTest::newRow("most played") << kChartList << 10001 << QStringLiteral("s10000");
    }
    void readLimits()
    {
        QFETCH(PlayListVariant, variant);
        QFETCH(int, rows);
        QFETCH(QString, last);
        QStringList songs{songWithTitle(QStringLiteral(" "))};
        for (int i = 1; i < 10003; ++i)
            songs << songWithTitle(QStringLiteral("s%1").arg(i));
        QVERIFY(writeEnciphered(pathOf(variant), document(variant.container, songs)));
        const PlayListLoadResult result = PlayListFile(m_dir.path(), variant).load();
        QCOMPARE(result.outcome, PlayListLoad::Loaded);
        QCOMPARE(int(result.rows.size()), rows);
        QCOMPARE(result.rows.back()->title, last);
    }

    // The first 10000 rows are written; a row without record is one of them but writes nothing.
    void savesTenThousandRows()
    {
        QList<_tag_playlistsonginfo_> rows(10001, localRow());
        for (int i = 0; i < rows.size(); ++i)
            rows[i].title = QStringLiteral("s%1").arg(i);
        QList<const _tag_playlistsonginfo_ *> list = pointers(rows);
        list[3] = nullptr;
        PlayListFile file(m_dir.path(), kPlayQueueList);
        QVERIFY(file.save(list));

        QStringList expected;
        for (int i = 0; i < 10000; ++i) {
            if (i != 3)
                expected << song(attributesOf(rows[i], false));
        }
        QCOMPARE(deciphered(file.path()), document(QStringLiteral("list"), expected));
        QCOMPARE(file.load().rows.size(), size_t(9999));
    }

    // Text from any script survives a save and a load; so do the characters XML escapes. Control
    // characters that XML 1.0 cannot hold are left out rather than spoiling the whole file.
    void textRoundTrip_data()
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
            << QStringLiteral("a\u0001b\u001Fc\u0000d") << QStringLiteral("abcd");
    }
    void textRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        _tag_playlistsonginfo_ row = networkRow();
        row.Duartion = row.filePath = row.sAlbumName = row.title = row.bytesize = row.artist = row.id =
            row.albumpic = text;
        const QList<_tag_playlistsonginfo_> rows{row, localRow()};
        // The history list keeps titles as they are; the other fields are the same in all three.
        PlayListFile file(m_dir.path(), kRecentList);
        // Byte for byte what the stream writer makes of text it can write.
        if (text == read)
            QCOMPARE(PlayListFile::document(pointers(rows), kRecentList),
                     streamWriterDocument(rows, kRecentList));
        QVERIFY(file.save(pointers(rows)));
        const PlayListLoadResult result = file.load();
        QCOMPARE(result.outcome, PlayListLoad::Loaded);
        _tag_playlistsonginfo_ expected = row;
        expected.Duartion = expected.filePath = expected.sAlbumName = expected.title = expected.bytesize =
            expected.artist = expected.id = expected.albumpic = read;
        expected.count = 0;
        _tag_playlistsonginfo_ second = localRow();
        second.count = 0;
        QCOMPARE(values(result), (QList<_tag_playlistsonginfo_>{expected, second}));
    }

    // A file that exists but gives no list is renamed aside by the first save, never replaced.
    void keepsUnusableFilesAside_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<PlayListLoad>("outcome");
        QTest::newRow("garbage") << QStringLiteral("garbage") << PlayListLoad::Undecipherable;
        QTest::newRow("empty file") << QStringLiteral("empty") << PlayListLoad::Undecipherable;
        QTest::newRow("other document") << QStringLiteral("other") << PlayListLoad::NotAList;
        QTest::newRow("broken off") << QStringLiteral("cut") << PlayListLoad::BrokenOff;
        QTest::newRow("too large") << QStringLiteral("large") << PlayListLoad::TooLarge;
        QTest::newRow("cannot be opened") << QStringLiteral("folder") << PlayListLoad::Unreadable;
    }
    void keepsUnusableFilesAside()
    {
        QFETCH(QString, kind);
        QFETCH(PlayListLoad, outcome);
        const QString path = pathOf(kChartList);
        const QString listDoc =
            document(QStringLiteral("list_Count"), {songWithTitle(QStringLiteral("old"))});
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        } else if (kind == QLatin1String("other")) {
            QVERIFY(
                writeEnciphered(path, QStringLiteral("<?xml version=\"1.0\"?>\n<kvr version=\"2.0\"/>\n")));
        } else if (kind == QLatin1String("cut")) {
            QVERIFY(writeEnciphered(path, listDoc.left(listDoc.size() - 30)));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("garbage"))
                QVERIFY(file.write("not a list\n") > 0);
            // Sparse: the size counts, not the content.
            if (kind == QLatin1String("large"))
                QVERIFY(file.resize(PlayListFile::kMaxFileSize + 1));
        }
        const QByteArray before = QFileInfo(path).isFile() ? fileBytes(path) : QByteArray();

        PlayListFile file(m_dir.path(), kChartList);
        const PlayListLoadResult result = file.load();
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.errorText.isEmpty(), outcome != PlayListLoad::Unreadable);
        QVERIFY(file.mustKeepAside());

        const QList<_tag_playlistsonginfo_> rows{localRow()};
        QString error;
        QVERIFY2(file.save(pointers(rows), &error), qPrintable(error));
        const QStringList aside = keptAside(path);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(file.keptAsidePath(), m_dir.path() + QLatin1Char('/') + aside.first());
        if (kind == QLatin1String("folder"))
            QVERIFY(QFileInfo(file.keptAsidePath() + QStringLiteral("/inside")).isDir());
        else
            QCOMPARE(fileBytes(file.keptAsidePath()), before);
        QCOMPARE(values(file.load()), rows);

        // Only the unusable file is kept: the next saves replace the new one.
        QVERIFY(file.save(pointers(rows)));
        QVERIFY(file.save({}));
        QCOMPARE(keptAside(path).size(), 1);
    }

    void usableFilesAreReplaced()
    {
        const QString path = pathOf(kPlayQueueList);
        QVERIFY(writeEnciphered(path, document(QStringLiteral("list"), {})));
        PlayListFile file(m_dir.path(), kPlayQueueList);
        QCOMPARE(file.load().outcome, PlayListLoad::Loaded);
        QVERIFY(!file.mustKeepAside());
        QVERIFY(file.save(pointers({localRow()})));
        QVERIFY(keptAside(path).isEmpty());
        QCOMPARE(file.load().rows.size(), size_t(1));

        // A file that was missing at the load is simply written.
        PlayListFile recent(m_dir.path(), kRecentList);
        QCOMPARE(recent.load().outcome, PlayListLoad::Missing);
        QVERIFY(!recent.mustKeepAside());
        QVERIFY(recent.save({}));
        QVERIFY(keptAside(recent.path()).isEmpty());
    }

    // A write that fails half-way (here: the file size limit, as a full disk would) leaves the
    // previous file as it was and says why.
    void failedWriteKeepsTheOldFile()
    {
        const QString path = pathOf(kPlayQueueList);
        const QString old = document(QStringLiteral("list"), {songWithTitle(QStringLiteral("old"))});
        QVERIFY(writeEnciphered(path, old));
        QList<_tag_playlistsonginfo_> rows(5000, networkRow());
        for (int i = 0; i < rows.size(); ++i)
            rows[i].title = QStringLiteral("%1 %2").arg(i).arg(QString(100, QChar(0x4E00 + i % 2000)));

        PlayListFile file(m_dir.path(), kPlayQueueList);
        QCOMPARE(file.load().outcome, PlayListLoad::Loaded);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool saved4k = file.save(pointers(rows), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved4k);
        QVERIFY(!error.isEmpty());
        QCOMPARE(deciphered(path), old);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("defaultList")});
        QCOMPARE(PlayListFile::writeErrorText(path, error),
                 QStringLiteral("不能写入文件 %1:\n%2.").arg(path, error));
        QCOMPARE(PlayListFile::readErrorText(path, QStringLiteral("x")),
                 QStringLiteral("不能读取文件 %1:\nx.").arg(path));
    }
};

KVR_TEST_GUILESS_MAIN(TestPlayListFile)
#include "tst_playlistfile.moc"
