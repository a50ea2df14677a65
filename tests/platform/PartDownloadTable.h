#pragma once

// One table of answers for a part of the ranged package download, run against the player's and
// the upgrader's `download` alike (tst_partdownload.cpp, built once for each program: the two
// classes share a name). Whatever a part reports, the file may only ever hold the requested bytes
// of the package at their own offset.
//
//     void answers_data() { addPartAnswerRows(); }
//     void answers() { runPartAnswer<download>(m_fake, m_dir.path()); }

#include "FakeWebService.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

namespace parttable {

enum Answer
{
    Served,      // the file served with Range (200 whole, 206 for a range)
    WholeTo206,  // 200 and the whole file whatever was asked
    RangeAtZero, // 206 "bytes 0-299/1000" whatever was asked
    EmptyOk,     // 200 with no body
    NoContent,   // 204 with no body
    CutShort,    // the served answer cut off after 400 bytes
    NotFound,    // 404 with an HTML page
    Stalled,     // no answer at all
};

inline QByteArray package()
{
    // Every offset differs from its neighbours, so a misplaced byte shows.
    QByteArray data(1000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + i / 256) & 0xFF);
    return data;
}

} // namespace parttable

inline void addPartAnswerRows()
{
    using namespace parttable;
    QTest::addColumn<int>("answer");
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end"); // -1: the whole file, no Range
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<bool>("ok");

    QTest::newRow("whole, 200") << int(Served) << qint64(0) << qint64(-1) << qint64(1000) << true;
    QTest::newRow("range, 206 at its offset")
        << int(Served) << qint64(300) << qint64(599) << qint64(300) << true;
    QTest::newRow("range, 206 at another offset")
        << int(RangeAtZero) << qint64(300) << qint64(599) << qint64(300) << false;
    QTest::newRow("range, 200 with the whole file")
        << int(WholeTo206) << qint64(300) << qint64(599) << qint64(300) << false;
    QTest::newRow("whole, 206") << int(RangeAtZero) << qint64(0) << qint64(-1) << qint64(1000) << false;
    QTest::newRow("range, empty 200") << int(EmptyOk) << qint64(300) << qint64(599) << qint64(300) << false;
    QTest::newRow("whole, empty 204") << int(NoContent) << qint64(0) << qint64(-1) << qint64(1000) << false;
    QTest::newRow("whole, short body") << int(CutShort) << qint64(0) << qint64(-1) << qint64(1000) << false;
    QTest::newRow("whole, more than the bound")
        << int(Served) << qint64(0) << qint64(-1) << qint64(600) << false;
    QTest::newRow("range, error status")
        << int(NotFound) << qint64(300) << qint64(599) << qint64(300) << false;
    QTest::newRow("whole, stall past the time-out")
        << int(Stalled) << qint64(0) << qint64(-1) << qint64(1000) << false;
}

template <class Part> void runPartAnswer(FakeWebService &fake, const QString &folder)
{
    using namespace parttable;
    QFETCH(int, answer);
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(qint64, maxBytes);
    QFETCH(bool, ok);

    const QByteArray data = package();
    const QString path = QStringLiteral("/pkg/part.bin");
    fake.clearAnswers();
    fake.clearFaults();
    switch (answer) {
    case Served:
        fake.serveFile(FakeHost::Files, path, data);
        break;
    case WholeTo206:
        fake.setAnswer(FakeHost::Files, path, FakeAnswer::bytes(data, "application/octet-stream"));
        break;
    case RangeAtZero: {
        FakeAnswer first = FakeAnswer::bytes(data.left(300), "application/octet-stream", 206);
        first.headers << qMakePair(QByteArray("Content-Range"), QByteArray("bytes 0-299/1000"));
        fake.setAnswer(FakeHost::Files, path, first);
        break;
    }
    case EmptyOk:
        fake.setAnswer(FakeHost::Files, path, FakeAnswer::bytes(QByteArray(), "application/octet-stream"));
        break;
    case NoContent:
        fake.setAnswer(FakeHost::Files, path, FakeAnswer::bytes(QByteArray(), QByteArray(), 204));
        break;
    case CutShort:
        // Every request: Qt repeats a request on its own when the connection closes early.
        fake.serveFile(FakeHost::Files, path, data);
        fake.setFault(FakeHost::Files, path, FakeFault::cutAfter(400));
        break;
    case NotFound:
        fake.serveFile(FakeHost::Files, path, data);
        fake.setFault(FakeHost::Files, path, FakeFault::errorStatus(404, "<html>gone</html>"));
        break;
    case Stalled:
        fake.serveFile(FakeHost::Files, path, data);
        fake.setFault(FakeHost::Files, path, FakeFault::stall());
        break;
    }

    QFile file(folder + QStringLiteral("/package"));
    QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Truncate));
    Part part(nullptr, 1);
    // Short only where the stall is the point: a first connection on a loaded machine under the
    // thread sanitizer can take longer than that to answer.
    part.setTransferTimeout(answer == Stalled ? 500 : 5000);
    QSignalSpy reports(&part, &Part::downloadFinished);
    part.startDownload(QUrl(fake.baseUrl(FakeHost::Files) + path), &file, start, end, maxBytes);
    QVERIFY(reports.wait(10000));
    QTest::qWait(20); // a second report would come from the event loop
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reports.at(0).at(0).toBool(), ok);

    const qint64 written = part.written();
    QVERIFY(written <= maxBytes);
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray onDisk = file.readAll();
    if (ok) {
        QCOMPARE(written, maxBytes);
        QCOMPARE(onDisk.size(), start + maxBytes);
    }
    // Only the package's own bytes, and only where they belong.
    QVERIFY(onDisk.size() <= start + written);
    if (written > 0)
        QCOMPARE(onDisk.mid(start, written), data.mid(start, written));
}
