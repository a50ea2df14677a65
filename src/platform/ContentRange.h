#pragma once

#include <QByteArray>
#include <QtGlobal>

// A "Content-Range: bytes first-last/total" header of a 206 answer. Numbers that do not fit 64
// bits, a last before the first or a total that cannot hold the range make it invalid, so a
// hostile header never turns into a wrapped offset.
struct ContentRange
{
    bool valid = false;
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1; // -1: "*", the whole size is not known

    static ContentRange parse(const QByteArray &header);
};
