#include "ui/lists/DriveListBox.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using bildertafel::uilists::DriveListBox;

class DriveListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void drivesFromMountInfo_data();
    void drivesFromMountInfo();
    void driveOf_data();
    void driveOf();
    void startsOnTheDriveOfTheWorkingFolder();
    void setDriveSignalsOnlyAChange();
    void setDriveAddsAMissingDrive();
    void userChoiceSignals();
    void refreshKeepsTheChosenDrive();
};

void DriveListBoxTest::drivesFromMountInfo_data() {
    QTest::addColumn<QString>("mountinfo");
    QTest::addColumn<QStringList>("drives");

    QTest::newRow("empty table still offers the root") << QString() << QStringList{"/"};
    QTest::newRow("desktop")
        << QStringLiteral(
               "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
               "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
               "24 22 0:22 / /sys rw,nosuid shared:2 - sysfs sysfs rw\n"
               "25 22 0:5 / /dev rw,nosuid shared:3 - devtmpfs udev rw,size=8000k\n"
               "26 25 0:23 / /dev/pts rw,nosuid shared:4 - devpts devpts rw,mode=620\n"
               "27 25 0:24 / /dev/shm rw,nosuid shared:5 - tmpfs tmpfs rw\n"
               "28 22 0:25 / /run rw,nosuid shared:6 - tmpfs tmpfs rw,mode=755\n"
               "29 28 0:26 / /run/lock rw,nosuid shared:7 - tmpfs tmpfs rw,size=5120k\n"
               "30 24 0:27 / /sys/fs/cgroup rw shared:8 - cgroup2 cgroup2 rw\n"
               "31 24 0:28 / /sys/kernel/security rw shared:9 - securityfs securityfs rw\n"
               "32 24 0:29 / /sys/fs/pstore rw shared:10 - pstore pstore rw\n"
               "33 24 0:30 / /sys/fs/bpf rw shared:11 - bpf bpf rw,mode=700\n"
               "34 23 0:31 / /proc/sys/fs/binfmt_misc rw shared:13 - autofs systemd-1 rw\n"
               "35 25 0:32 / /dev/mqueue rw shared:14 - mqueue mqueue rw\n"
               "36 25 0:33 / /dev/hugepages rw shared:15 - hugetlbfs hugetlbfs rw\n"
               "37 24 0:7 / /sys/kernel/debug rw shared:16 - debugfs debugfs rw\n"
               "38 24 0:12 / /sys/kernel/tracing rw shared:17 - tracefs tracefs rw\n"
               "39 24 0:34 / /sys/fs/fuse/connections rw shared:18 - fusectl fusectl rw\n"
               "40 24 0:35 / /sys/kernel/config rw shared:19 - configfs configfs rw\n"
               "41 22 8:3 / /home rw,relatime shared:20 - ext4 /dev/sda3 rw\n"
               "42 22 8:1 / /boot/efi rw,relatime shared:21 - vfat /dev/sda1 rw\n"
               "43 22 0:36 / /tmp rw,nosuid shared:22 - tmpfs tmpfs rw\n"
               "44 22 7:1 / /snap/core22/1122 ro,nodev shared:23 - squashfs /dev/loop1 ro\n"
               "45 28 0:37 / /run/user/1000 rw shared:24 - tmpfs tmpfs rw,mode=700\n"
               "46 45 0:38 / /run/user/1000/gvfs rw shared:25 - fuse.gvfsd-fuse gvfsd-fuse rw\n"
               "47 28 8:17 / /run/media/anna/KAMERA rw shared:26 - vfat /dev/sdb1 rw\n"
               "48 22 8:33 / /media/usb rw shared:27 - exfat /dev/sdc1 rw\n"
               "49 22 8:49 / /mnt/backup rw shared:28 - xfs /dev/sdd1 rw\n")
        << QStringList{"/",          "/boot/efi",   "/home",
                       "/media/usb", "/mnt/backup", "/run/media/anna/KAMERA",
                       "/tmp"};
    QTest::newRow("escaped blanks, tab and backslash in mount points")
        << QStringLiteral("50 22 8:33 / /media/anna/Meine\\040Fotos rw - vfat /dev/sdc1 rw\n"
                          "51 22 8:34 / /mnt/a\\011b\\134c rw - ext4 /dev/sdc2 rw\n"
                          "52 22 8:35 / /media/Gr\u00fc\u00dfe rw - ext4 /dev/sdc3 rw\n")
        << QStringList{"/", "/media/Gr\u00fc\u00dfe", "/media/anna/Meine Fotos", "/mnt/a\tb\\c"};
    QTest::newRow("no optional fields, network shares, container layers")
        << QStringLiteral("60 1 0:40 / / rw - overlay overlay rw,lowerdir=/l\n"
                          "61 60 0:41 / /srv/nas rw - nfs4 nas:/fotos rw\n"
                          "62 60 0:42 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay "
                          "rw\n"
                          "63 60 0:43 / /home/anna/nas rw - fuse.sshfs anna@nas: rw\n"
                          "64 60 0:44 / /home/anna/.cache/doc rw - fuse.portal portal rw\n"
                          "65 60 0:45 / /run/docker/netns/x rw - nsfs nsfs rw\n")
        << QStringList{"/", "/home/anna/nas", "/srv/nas"};
    QTest::newRow("a file system mounted twice and a broken line are listed once")
        << QStringLiteral("70 1 8:3 / /home rw - ext4 /dev/sda3 rw\n"
                          "71 70 8:3 / /home rw - ext4 /dev/sda3 rw\n"
                          "72 1 8:4 / /data rw ext4 /dev/sda4 rw\n"
                          "garbage\n"
                          "73 1 8:5 / /mnt/x/ rw - ext4 /dev/sda5 rw\n")
        << QStringList{"/", "/home", "/mnt/x"};
}

void DriveListBoxTest::drivesFromMountInfo() {
    QFETCH(QString, mountinfo);
    QFETCH(QStringList, drives);
    QCOMPARE(DriveListBox::drivesFromMountInfo(mountinfo), drives);
}

void DriveListBoxTest::driveOf_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");

    QTest::newRow("root file system") << "/etc/ssh"
                                      << "/";
    QTest::newRow("the root itself") << "/"
                                     << "/";
    QTest::newRow("mount point itself") << "/home"
                                        << "/home";
    QTest::newRow("below a mount point") << "/home/anna/Bilder"
                                         << "/home";
    QTest::newRow("trailing slash") << "/home/anna/"
                                    << "/home";
    QTest::newRow("longest root wins") << "/home/anna/nas/2023"
                                       << "/home/anna/nas";
    QTest::newRow("whole folder names only") << "/home2/x"
                                             << "/";
    QTest::newRow("name sharing a prefix") << "/home/anna/nasx"
                                           << "/home";
    QTest::newRow("dot-dot leaves the mount") << "/home/anna/nas/../../../srv"
                                              << "/";
    QTest::newRow("blank in the mount point") << "/media/Meine Fotos/Urlaub"
                                              << "/media/Meine Fotos";
}

void DriveListBoxTest::driveOf() {
    QFETCH(QString, path);
    QFETCH(QString, drive);
    const QStringList drives{"/", "/home", "/home/anna/nas", "/media/Meine Fotos"};
    QCOMPARE(DriveListBox::driveOf(path, drives), drive);
}

void DriveListBoxTest::startsOnTheDriveOfTheWorkingFolder() {
    const DriveListBox box;
    QVERIFY(box.drives().contains("/"));
    QCOMPARE(box.drives().first(), QStringLiteral("/"));
    QCOMPARE(box.drive(), DriveListBox::driveOf(QDir::currentPath(), box.drives()));
    QCOMPARE(box.currentText(), box.drive());
}

void DriveListBoxTest::setDriveSignalsOnlyAChange() {
    DriveListBox box;
    box.setDrive("/");
    QSignalSpy changed(&box, &DriveListBox::driveChanged);

    box.setDrive("/");
    QCOMPARE(changed.count(), 0);
    box.setDrive("/media/Kamera");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.drive(), QStringLiteral("/media/Kamera"));
    box.setDrive("/media/Kamera/");
    QCOMPARE(changed.count(), 1);
    box.setDrive("/");
    QCOMPARE(changed.count(), 2);
    QCOMPARE(box.drive(), QStringLiteral("/"));
    QCOMPARE(box.currentText(), QStringLiteral("/"));
}

void DriveListBoxTest::setDriveAddsAMissingDrive() {
    DriveListBox box;
    const qsizetype before = box.drives().size();
    box.setDrive("/zz-nicht-gemountet");
    QCOMPARE(box.drives().size(), before + 1);
    QCOMPARE(box.drives().first(), QStringLiteral("/"));
    QCOMPARE(box.currentText(), QStringLiteral("/zz-nicht-gemountet"));
    box.setDrive("/zz-nicht-gemountet");
    QCOMPARE(box.drives().size(), before + 1);
}

void DriveListBoxTest::userChoiceSignals() {
    DriveListBox box;
    box.setDrive("/");
    box.setDrive("/media/Kamera");
    box.setDrive("/");
    QSignalSpy changed(&box, &DriveListBox::driveChanged);

    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(box.drive(), box.currentText());
    QVERIFY(box.drive() != u"/");
}

void DriveListBoxTest::refreshKeepsTheChosenDrive() {
    DriveListBox box;
    box.setDrive("/media/abgezogen");
    QSignalSpy changed(&box, &DriveListBox::driveChanged);
    box.refreshDrives();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(box.drive(), QStringLiteral("/media/abgezogen"));
    QCOMPARE(box.currentText(), QStringLiteral("/media/abgezogen"));
}

QTEST_MAIN(DriveListBoxTest)
#include "DriveListBoxTest.moc"
