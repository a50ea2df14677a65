#pragma once

// What the benchmarks need of the programs they start: a private home for each, and what they
// read of a process and its descendants from /proc (the tree itself, its proportional set size
// and the CPU time it has used).

#include <QDir>
#include <QFile>
#include <QList>
#include <QMultiHash>
#include <QProcessEnvironment>

#include <unistd.h>

// The environment a benchmarked program runs in: this one with home and the XDG folders under
// `home`, so no user's files are read or touched, and the silent audio device unless asked
// otherwise.
inline QProcessEnvironment benchEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    if (!env.contains(QStringLiteral("KVR_AUDIO_NOSOUND")))
        env.insert(QStringLiteral("KVR_AUDIO_NOSOUND"), QStringLiteral("1"));
    return env;
}

// The process and every descendant alive now.
inline QList<qint64> processTree(qint64 root)
{
    QMultiHash<qint64, qint64> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1)
            children.insert(fields.at(1).toLongLong(), pid);
    }
    QList<qint64> tree;
    QList<qint64> todo{root};
    while (!todo.isEmpty()) {
        const qint64 pid = todo.takeLast();
        tree << pid;
        todo += children.values(pid);
    }
    return tree;
}

// Proportional set size: pages shared between processes of the tree (the same libraries in
// every process) are split between them instead of being counted once per process.
inline qint64 pssKiB(qint64 pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

inline qint64 treePssKiB(qint64 root)
{
    qint64 total = 0;
    for (qint64 pid : processTree(root))
        total += pssKiB(pid);
    return total;
}

// User and system CPU time of one process, in milliseconds.
inline qint64 cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // After the name: state is field 0, utime field 11 and stime field 12.
    if (fields.size() < 13)
        return 0;
    const qint64 ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}
