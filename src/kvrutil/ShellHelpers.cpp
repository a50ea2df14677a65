#include "kvrutil.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QStorageInfo>
#include <QUrl>

#include <climits>
#include <numeric>
#include <vector>

namespace {

void openFolderOf(const QString &filePath)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(filePath).absolutePath()));
}

} // namespace

void g_openandSelectTheFile(QString filePath)
{
    const QString path = QFileInfo(QDir::fromNativeSeparators(filePath)).absoluteFilePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolderOf(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher *w) {
        if (w->isError())
            openFolderOf(path);
        w->deleteLater();
    });
}

int g_getDiskFreeSpaceInMB(const unsigned short *path)
{
    if (!path)
        return 0;
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(path));
    if (text.isEmpty() || !QFileInfo::exists(text))
        return 0;
    const QStorageInfo storage(text);
    if (!storage.isValid())
        return 0;
    return int(qMin<qint64>(storage.bytesAvailable() >> 20, INT_MAX));
}

QRegion g_getRoundedRect(const QRect &rect, int radius)
{
    const int r = radius;
    QRegion region;
    region += rect.adjusted(r, 0, -r, 0);
    region += rect.adjusted(0, r, 0, -r);
    if (r <= 0)
        return region;
    const QSize corner(2 * r, 2 * r);
    region += QRegion(QRect(rect.topLeft(), corner), QRegion::Ellipse);
    region += QRegion(QRect(QPoint(rect.right() - 2 * r + 1, rect.top()), corner), QRegion::Ellipse);
    region += QRegion(QRect(QPoint(rect.left(), rect.bottom() - 2 * r + 1), corner), QRegion::Ellipse);
    region +=
        QRegion(QRect(QPoint(rect.right() - 2 * r + 1, rect.bottom() - 2 * r + 1), corner), QRegion::Ellipse);
    return region;
}

QList<int> g_getRandInts(int count, int range)
{
    QList<int> result;
    // More distinct values than the range holds can never be drawn: asking for them used to
    // loop forever. Give all of them instead.
    count = qMin(count, range);
    if (count <= 0)
        return result;
    QRandomGenerator *random = QRandomGenerator::global();
    result.reserve(count);
    if (qint64(count) * 2 > range) {
        // Dense: a partial shuffle draws each value once, in random order.
        std::vector<int> values(static_cast<size_t>(range));
        std::iota(values.begin(), values.end(), 0);
        for (int i = 0; i < count; ++i) {
            const int j = i + int(random->bounded(range - i));
            std::swap(values[size_t(i)], values[size_t(j)]);
            result.append(values[size_t(i)]);
        }
        return result;
    }
    QSet<int> seen;
    seen.reserve(count);
    while (result.size() < count) {
        const int value = int(random->bounded(range));
        if (!seen.contains(value)) {
            seen.insert(value);
            result.append(value);
        }
    }
    return result;
}

bool g_removeAppSource(QFileInfo entry)
{
    // Only the entry itself: removing the parents that became empty, as rmpath does, could
    // take folders the user made.
    if (entry.isDir() && !entry.isSymLink())
        QDir(entry.absoluteFilePath()).removeRecursively();
    else
        QFile::remove(entry.absoluteFilePath());
    return true;
}
