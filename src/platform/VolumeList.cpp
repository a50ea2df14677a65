#include "platform/VolumeList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr int kDebounceMs = 300;
// The mount table of a machine is a few hundred lines; a file far beyond that is not one.
constexpr qint64 kMaxMountsBytes = 4 * 1024 * 1024;

QString mountsFile()
{
    const QString file = qEnvironmentVariable("KVR_MOUNTS_FILE");
    return file.isEmpty() ? QStringLiteral("/proc/self/mounts") : file;
}

QString sysfsRoot()
{
    const QString root = qEnvironmentVariable("KVR_SYSFS_ROOT");
    return root.isEmpty() ? QStringLiteral("/sys") : root;
}

bool isOctalDigit(char c, char highest = '7')
{
    return c >= '0' && c <= highest;
}

// The kernel writes space, tab, newline and backslash in a mount-table field as a backslash and
// three octal digits; anything else after a backslash stays as it is.
QString decodeField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1], '3') &&
            isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3])) {
            out.append(
                char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return QFile::decodeName(out);
}

bool isDiskFileSystem(const QString &type)
{
    static const QStringList disk = {
        QStringLiteral("vfat"),    QStringLiteral("exfat"), QStringLiteral("ntfs"), QStringLiteral("ntfs3"),
        QStringLiteral("fuseblk"), QStringLiteral("ext2"),  QStringLiteral("ext3"), QStringLiteral("ext4"),
        QStringLiteral("btrfs"),   QStringLiteral("xfs"),   QStringLiteral("f2fs"), QStringLiteral("iso9660"),
        QStringLiteral("udf")};
    return disk.contains(type);
}

// Kernel file systems whose source field may still look like a device ("/dev" for devtmpfs on
// some systems): never a volume.
bool isPseudoFileSystem(const QString &type)
{
    static const QStringList pseudo = {
        QStringLiteral("proc"),       QStringLiteral("sysfs"),   QStringLiteral("tmpfs"),
        QStringLiteral("devtmpfs"),   QStringLiteral("devpts"),  QStringLiteral("overlay"),
        QStringLiteral("securityfs"), QStringLiteral("debugfs"), QStringLiteral("tracefs"),
        QStringLiteral("mqueue"),     QStringLiteral("autofs")};
    return pseudo.contains(type) || type.startsWith(QLatin1String("cgroup"));
}

void fillFromFileSystem(MountedVolume &volume)
{
    const QByteArray root = QFile::encodeName(volume.rootPath);
    struct stat info;
    if (::stat(root.constData(), &info) == 0)
        volume.userOwned = info.st_uid == ::getuid();
    volume.writable = ::access(root.constData(), W_OK) == 0;
    struct statvfs space;
    if (::statvfs(root.constData(), &space) == 0) {
        volume.bytesFree = qint64(space.f_bavail) * qint64(space.f_frsize);
        volume.bytesTotal = qint64(space.f_blocks) * qint64(space.f_frsize);
    }
}

// What tells one version of the watched file from the next: an atomic replace changes the
// inode, an in-place write the size or modification time.
QByteArray fileStamp(const QString &file)
{
    struct stat info;
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(info.st_ino)) + ':' + QByteArray::number(qlonglong(info.st_size)) +
           ':' + QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_mtim.tv_nsec));
}

} // namespace

QList<MountedVolume> g_mountedVolumes()
{
    QList<MountedVolume> volumes;
    QFile file(mountsFile());
    // Unbuffered: /proc files report size 0 and must be read to the end in one pass.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return volumes;
    const QByteArray table = file.read(kMaxMountsBytes);
    const QList<QByteArray> lines = table.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        MountedVolume volume;
        volume.device = decodeField(fields[0]);
        volume.rootPath = decodeField(fields[1]);
        volume.fsType = decodeField(fields[2]);
        if (isPseudoFileSystem(volume.fsType) || !volume.rootPath.startsWith(QLatin1Char('/')))
            continue;
        if (!volume.device.startsWith(QLatin1String("/dev/")) && !isDiskFileSystem(volume.fsType))
            continue;
        const QFileInfo root(volume.rootPath);
        if (root.exists() && !root.isDir())
            continue;
        volume.usb = g_isUsbDevice(volume.device);
        fillFromFileSystem(volume);
        volumes.append(volume);
    }
    return volumes;
}

bool g_isUsbDevice(const QString &device)
{
    // /dev/disk/by-label/... and other links name the device they point to.
    QString node = device;
    if (node.startsWith(QLatin1String("/dev/"))) {
        const QString target = QFileInfo(node).canonicalFilePath();
        if (!target.isEmpty())
            node = target;
    }
    const QString name = node.section(QLatin1Char('/'), -1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    const QString root = QFileInfo(sysfsRoot()).canonicalFilePath();
    const QString path = QFileInfo(sysfsRoot() + QStringLiteral("/class/block/") + name).canonicalFilePath();
    if (root.isEmpty() || path.isEmpty() || !path.startsWith(root + QLatin1Char('/')))
        return false;
    // A USB disk hangs below its bus's root hub, "usb1", "usb2", ...:
    // devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/.../block/sdb/sdb1
    const QStringList components = path.mid(root.size() + 1).split(QLatin1Char('/'));
    for (const QString &component : components) {
        if (component.size() > 3 && component.startsWith(QLatin1String("usb"))) {
            bool number = false;
            component.mid(3).toUInt(&number);
            if (number)
                return true;
        }
    }
    return false;
}

VolumeWatcher::VolumeWatcher(QObject *parent)
    : QObject(parent)
    , m_debounce(new QTimer(this))
{
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kDebounceMs);
    connect(m_debounce, &QTimer::timeout, this, &VolumeWatcher::volumesChanged);

    m_file = qEnvironmentVariable("KVR_MOUNTS_FILE");
    if (!m_file.isEmpty()) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { fileTouched(true); });
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { fileTouched(false); });
        // The folder as well: an atomic replace drops the watch on the old file, and the folder
        // is where the new one shows up.
        m_watcher->addPath(QFileInfo(m_file).absolutePath());
        watchFile();
        m_fileStamp = fileStamp(m_file);
        return;
    }

    // The kernel raises POLLPRI on this descriptor after every change of the mount table; each
    // poll acknowledges it, so one change makes one notification.
    m_fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        qWarning("volume watcher: cannot open /proc/self/mounts");
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, m_debounce, qOverload<>(&QTimer::start));
}

VolumeWatcher::~VolumeWatcher()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void VolumeWatcher::watchFile()
{
    if (!m_watcher->files().contains(m_file) && QFileInfo::exists(m_file))
        m_watcher->addPath(m_file);
}

void VolumeWatcher::fileTouched(bool itself)
{
    watchFile();
    // A change of another file in the folder leaves the stamp alone.
    const QByteArray stamp = fileStamp(m_file);
    if (!itself && stamp == m_fileStamp)
        return;
    m_fileStamp = stamp;
    m_debounce->start();
}
