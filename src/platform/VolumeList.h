#pragma once

// The mounted volumes stand in for drive letters: where the player looks for a USB disk or a
// drive with free space it walks the mount table. Tests point KVR_MOUNTS_FILE at a mount-table
// file and KVR_SYSFS_ROOT at a fake /sys.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QSocketNotifier;
class QTimer;

struct MountedVolume
{
    QString rootPath; // mount point, "/" separators
    QString device;   // e.g. "/dev/sdb1"
    QString fsType;
    bool usb = false;       // the block device sits on a USB bus (sysfs)
    bool writable = false;  // the root is writable by this user (access(W_OK))
    bool userOwned = false; // the root belongs to this user
    qint64 bytesFree = -1;  // available to the user; -1 when unreadable
    qint64 bytesTotal = -1;
};

// The mounted real file systems in mount-table order, from KVR_MOUNTS_FILE or else
// /proc/self/mounts (octal escapes such as \040 decoded). An entry counts when its device is
// under /dev/ or its type is a disk file system (vfat, exfat, ntfs, ntfs3, fuseblk, ext2/3/4,
// btrfs, xfs, f2fs, iso9660, udf); pseudo file systems and mounts of a single file (container
// bind mounts) are left out.
QList<MountedVolume> g_mountedVolumes();

// Whether the block device (a partition like /dev/sdb1 or a whole disk) is on USB: its
// <sysfs>/class/block/<name> link (sysfs root = KVR_SYSFS_ROOT or "/sys") resolves through a
// USB bus ("usbN"). false when there is no such device.
bool g_isUsbDevice(const QString &device);

// volumesChanged() (debounced, ~300 ms) whenever the mount table changes: the kernel flags
// /proc/self/mounts on every mount and unmount; a KVR_MOUNTS_FILE is watched as a file, through
// in-place writes and atomic replaces alike.
class VolumeWatcher : public QObject
{
    Q_OBJECT
public:
    explicit VolumeWatcher(QObject *parent = nullptr);
    ~VolumeWatcher() override;

signals:
    void volumesChanged();

private:
    void watchFile();
    void fileTouched(bool itself);

    QTimer *m_debounce = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QString m_file;
    QByteArray m_fileStamp;
    int m_fd = -1;
};
