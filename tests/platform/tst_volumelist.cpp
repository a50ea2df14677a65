// The mounted volumes from a fake mount table and a fake /sys: which entries are volumes, how
// their fields are decoded, which sit on USB, and the watcher on the table.

#include "platform/VolumeList.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A mount-table field as the kernel writes it.
QByteArray escaped(const QString &path)
{
    QByteArray field = QFile::encodeName(path);
    field.replace('\\', "\\134");
    field.replace(' ', "\\040");
    field.replace('\t', "\\011");
    return field;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

} // namespace

class TestVolumeList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // "usb3" in the fake root's own path must not make every device a USB one.
        m_sys = m_dir.filePath(QStringLiteral("usb3/sys"));
        const QString usbDisk = QStringLiteral(
            "devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb");
        const QString sataDisk =
            QStringLiteral("devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda");
        // A hub-like name that is not a bus: "usbmisc" is a class, not "usb" and a number.
        const QString notBus = QStringLiteral("devices/pci0000:00/usbmisc/block/sdd");
        for (const QString &folder : {usbDisk + QStringLiteral("/sdb1"), sataDisk + QStringLiteral("/sda2"),
                                      QStringLiteral("devices/virtual/block/loop0"), notBus})
            QVERIFY(QDir().mkpath(m_sys + QLatin1Char('/') + folder));
        QVERIFY(QDir().mkpath(m_sys + QStringLiteral("/class/block")));
        const QList<std::pair<QString, QString>> links = {
            {QStringLiteral("sdb1"), usbDisk + QStringLiteral("/sdb1")},
            {QStringLiteral("sdb"), usbDisk},
            {QStringLiteral("sda2"), sataDisk + QStringLiteral("/sda2")},
            {QStringLiteral("loop0"), QStringLiteral("devices/virtual/block/loop0")},
            {QStringLiteral("sdd"), notBus},
        };
        for (const auto &[name, target] : links)
            QVERIFY(QFile::link(QStringLiteral("../../") + target,
                                m_sys + QStringLiteral("/class/block/") + name));
        qputenv("KVR_SYSFS_ROOT", QFile::encodeName(m_sys));

        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("table"))));
        m_mounts = m_dir.filePath(QStringLiteral("table/mounts"));
        qputenv("KVR_MOUNTS_FILE", QFile::encodeName(m_mounts));
    }

    void usbDevice_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("usb");
        QTest::newRow("USB partition") << "/dev/sdb1" << true;
        QTest::newRow("USB whole disk") << "/dev/sdb" << true;
        QTest::newRow("SATA partition") << "/dev/sda2" << false;
        QTest::newRow("loop device") << "/dev/loop0" << false;
        QTest::newRow("usb-like class name") << "/dev/sdd" << false;
        QTest::newRow("unknown device") << "/dev/sdz9" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("parent folder") << "/dev/.." << false;
        QTest::newRow("not a device") << "server:/export" << false;
    }

    void usbDevice()
    {
        QFETCH(QString, device);
        QFETCH(bool, usb);
        QCOMPARE(g_isUsbDevice(device), usb);
    }

    void mountTable()
    {
        const QString disk = m_dir.filePath(QStringLiteral("disk"));
        const QString stick = m_dir.filePath(QStringLiteral("media/USB STICK"));
        const QString odd = m_dir.filePath(QStringLiteral("media/back\\slash\ttab"));
        const QString hostsFile = m_dir.filePath(QStringLiteral("hosts"));
        const QString missing = m_dir.filePath(QStringLiteral("snap/core"));
        QVERIFY(QDir().mkpath(disk));
        QVERIFY(QDir().mkpath(stick));
        QVERIFY(writeFile(hostsFile, "127.0.0.1 localhost\n"));

        QByteArray table;
        table += "proc /proc proc rw,nosuid 0 0\n";
        table += "sysfs /sys sysfs rw 0 0\n";
        table += "/dev/sda2 " + escaped(disk) + " ext4 rw,relatime 0 0\n";
        table += "tmpfs /run tmpfs rw,mode=755 0 0\n";
        table += "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n";
        table += "overlay / overlay rw,lowerdir=/a,upperdir=/b 0 0\n";
        table += "udev /dev devtmpfs rw 0 0\n";
        table += "/dev/sdb1 " + escaped(stick) + " vfat rw,uid=1000 0 0\n";
        table += "/dev/sda2 " + escaped(hostsFile) + " ext4 rw 0 0\n"; // a container's bind-mounted file
        table += "jmtpfs " + escaped(m_dir.filePath(QStringLiteral("phone"))) + " fuse.jmtpfs rw 0 0\n";
        table += "//server/share " + escaped(m_dir.filePath(QStringLiteral("net"))) + " cifs rw 0 0\n";
        table += "/dev/loop0 " + escaped(missing) + " squashfs ro 0 0\n";
        table += "UUID-less " + escaped(odd) + " exfat rw 0 0\n";
        table += "\n   \nbroken-line\n";
        QVERIFY(writeFile(m_mounts, table));

        const QList<MountedVolume> volumes = g_mountedVolumes();
        QStringList roots;
        for (const MountedVolume &volume : volumes)
            roots.append(volume.rootPath);
        QCOMPARE(roots, (QStringList{disk, stick, missing, odd}));

        const MountedVolume &system = volumes.at(0);
        QCOMPARE(system.device, QStringLiteral("/dev/sda2"));
        QCOMPARE(system.fsType, QStringLiteral("ext4"));
        QVERIFY(!system.usb);
        QVERIFY(system.writable);
        QVERIFY(system.userOwned);
        QVERIFY(system.bytesTotal > 0);
        QVERIFY(system.bytesFree >= 0 && system.bytesFree <= system.bytesTotal);

        const MountedVolume &usb = volumes.at(1);
        QCOMPARE(usb.device, QStringLiteral("/dev/sdb1"));
        QCOMPARE(usb.fsType, QStringLiteral("vfat"));
        QVERIFY(usb.usb);

        // A mount point that cannot be reached has no space and is not writable.
        const MountedVolume &gone = volumes.at(2);
        QVERIFY(!gone.writable);
        QVERIFY(!gone.userOwned);
        QCOMPARE(gone.bytesFree, qint64(-1));
        QCOMPARE(gone.bytesTotal, qint64(-1));

        QCOMPARE(volumes.at(3).device, QStringLiteral("UUID-less"));
    }

    void missingTable()
    {
        qputenv("KVR_MOUNTS_FILE", QFile::encodeName(m_dir.filePath(QStringLiteral("no-such-table"))));
        QVERIFY(g_mountedVolumes().isEmpty());
        qputenv("KVR_MOUNTS_FILE", QFile::encodeName(m_mounts));
    }

    void watcherFollowsTheTable()
    {
        QVERIFY(writeFile(m_mounts, "/dev/sda2 / ext4 rw 0 0\n"));
        VolumeWatcher watcher;
        QSignalSpy changed(&watcher, &VolumeWatcher::volumesChanged);

        // A burst of writes is one change.
        for (int i = 0; i < 5; ++i)
            QVERIFY(writeFile(m_mounts, "/dev/sda2 / ext4 rw 0 0\n/dev/sdb1 /media/x vfat rw 0 0\n" +
                                            QByteArray::number(i) + '\n'));
        QTRY_COMPARE(changed.count(), 1);
        QTest::qWait(600);
        QCOMPARE(changed.count(), 1);

        // Replaced atomically, twice: the watch must follow the new file each time.
        QVERIFY(replaceFile(m_mounts, "/dev/sda2 / ext4 rw 0 0\n"));
        QTRY_COMPARE(changed.count(), 2);
        QTest::qWait(400);
        QVERIFY(replaceFile(m_mounts, "/dev/sda2 / ext4 rw 0 0\n/dev/sdc1 /media/y vfat rw 0 0\n"));
        QTRY_COMPARE(changed.count(), 3);
        QTest::qWait(400);
        QVERIFY(writeFile(m_mounts, "/dev/sda2 / ext4 ro 0 0\n"));
        QTRY_COMPARE(changed.count(), 4);

        // Other files beside the table are no change of it.
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("table/unrelated")), "x"));
        QTest::qWait(600);
        QCOMPARE(changed.count(), 4);
    }

private:
    QTemporaryDir m_dir;
    QString m_sys;
    QString m_mounts;
};

QTEST_GUILESS_MAIN(TestVolumeList)
#include "tst_volumelist.moc"
