#include "app/DiskSpaceText.h"

#include <QStorageInfo>

namespace {

QString sizeText(qint64 bytes)
{
    const double gib = double(bytes) / double(1LL << 30);
    if (gib < 1.0)
        return QString::asprintf("%.1fM", double(bytes) / double(1 << 20));
    return QString::asprintf("%.1fG", gib);
}

} // namespace

QStringList g_diskSpaceText(qint64 bytesTotal, qint64 bytesFree)
{
    if (bytesTotal < 0 || bytesFree < 0)
        return {};
    return {sizeText(bytesTotal), sizeText(bytesFree)};
}

QStringList g_getDiskSpaceText(const QString &drive)
{
    const QStorageInfo storage(drive);
    if (!storage.isValid() || !storage.isReady())
        return {};
    return g_diskSpaceText(storage.bytesTotal(), storage.bytesAvailable());
}
