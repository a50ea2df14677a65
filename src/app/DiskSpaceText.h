#pragma once

#include <QStringList>

// A volume's total and free space as two texts, each in G, or in M when below 1 GiB, with one
// decimal ("465.8G", "512.0M"); empty when the space cannot be read.
QStringList g_getDiskSpaceText(const QString &drive);
// The same from byte counts (negative: unknown).
QStringList g_diskSpaceText(qint64 bytesTotal, qint64 bytesFree);
