#pragma once

// Test fixtures that a program makes from fixed arguments (the ffmpeg tones) are kept in the build
// tree under a name made of everything that goes into them, and copied from there on the next run:
// made again they would be the same bytes, and starting the encoder costs a loaded machine about half
// a second of processor time each. The program's own path, size and date are part of the name, so an
// upgraded encoder makes them anew. Entries are written under a temporary name and renamed, so
// suites that make the same fixture at once, or one that is ended midway, leave only whole files.
//
// Threads: any; each call stands alone.

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QUuid>

namespace fixturecache {

// Where the entry for `arguments` of `program` lives; the suffix keeps the fixture's type visible.
// Empty when the program is not installed (then nothing is cached).
inline QString entryFor(const QString &cacheDir, const QString &program, const QStringList &arguments,
                        const QString &suffix)
{
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty())
        return QString();
    const QFileInfo info(executable);
    QCryptographicHash key(QCryptographicHash::Sha1);
    key.addData(info.canonicalFilePath().toUtf8());
    key.addData(QByteArray::number(info.size()) + ' ' +
                QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    for (const QString &argument : arguments)
        key.addData('\n' + argument.toUtf8());
    return cacheDir + QLatin1Char('/') + QString::fromLatin1(key.result().toHex()) + QLatin1Char('.') +
           suffix;
}

// Copies the cached fixture to `path`; false when there is none.
inline bool take(const QString &entry, const QString &path)
{
    if (entry.isEmpty() || !QFile::exists(entry))
        return false;
    QFile::remove(path);
    return QFile::copy(entry, path);
}

// Keeps a copy of the fixture just made at `path`.
inline void keep(const QString &path, const QString &entry)
{
    if (entry.isEmpty() || !QDir().mkpath(QFileInfo(entry).path()))
        return;
    const QString part = entry + QLatin1Char('.') + QUuid::createUuid().toString(QUuid::Id128);
    if (!QFile::copy(path, part) || !QFile::rename(part, entry))
        QFile::remove(part);
}

} // namespace fixturecache
