// Which mounted file systems the drive list offers, read from the kernel's mount table.

#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"

#include <QByteArray>
#include <QSet>
#include <algorithm>

namespace bildertafel::uilists {

namespace {

// The table writes blank, tab, newline and backslash in mount points as "\ooo" octal escapes.
QString unescapedMountPoint(const QString& field) {
    const std::string raw = toFileName(field);
    std::string bytes;
    bytes.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto isOctal = [&](std::size_t at) {
            return at < raw.size() && raw.at(at) >= '0' && raw.at(at) <= '7';
        };
        if (raw.at(i) == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            const int value =
                (raw.at(i + 1) - '0') * 64 + (raw.at(i + 2) - '0') * 8 + (raw.at(i + 3) - '0');
            bytes += static_cast<char>(value);
            i += 3;
        } else {
            bytes += raw.at(i);
        }
    }
    return fromFileName(bytes);
}

// Kernel and container plumbing that holds nothing a person would browse for pictures.
bool isSystemFileSystemType(const QString& type) {
    static const QSet<QString> types = {
        QStringLiteral("proc"),        QStringLiteral("sysfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),      QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),  QStringLiteral("debugfs"),   QStringLiteral("tracefs"),
        QStringLiteral("mqueue"),      QStringLiteral("hugetlbfs"), QStringLiteral("pstore"),
        QStringLiteral("bpf"),         QStringLiteral("configfs"),  QStringLiteral("fusectl"),
        QStringLiteral("binfmt_misc"), QStringLiteral("autofs"),    QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),  QStringLiteral("nsfs"),      QStringLiteral("selinuxfs"),
        QStringLiteral("overlay")};
    return types.contains(type);
}

bool isSystemMountPoint(const QString& mountPoint) {
    // Removable media of a desktop session are mounted under /run/media.
    if (isInsideFolder(mountPoint, QStringLiteral("/run/media")))
        return mountPoint == u"/run/media";
    static const QStringList systemRoots = {QStringLiteral("/proc"),
                                            QStringLiteral("/sys"),
                                            QStringLiteral("/dev"),
                                            QStringLiteral("/run"),
                                            QStringLiteral("/snap"),
                                            QStringLiteral("/var/lib/snapd"),
                                            QStringLiteral("/var/lib/docker"),
                                            QStringLiteral("/var/lib/containers")};
    for (const QString& root : systemRoots) {
        if (isInsideFolder(mountPoint, root))
            return true;
    }
    // Hidden folders are never shown in the directory lists, so a drive there could not be used.
    return mountPoint.contains(QStringLiteral("/."));
}

} // namespace

QStringList DriveListBox::drivesFromMountInfo(const QString& mountinfoText) {
    QStringList others;
    for (const QString& line : mountinfoText.split(u'\n', Qt::SkipEmptyParts)) {
        // id parent major:minor root mount-point options [optional fields...] - type source ...
        const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        const qsizetype dash = fields.indexOf(QStringLiteral("-"), 6);
        if (fields.size() < 6 || dash < 0 || dash + 1 >= fields.size())
            continue;
        const QString unescaped = unescapedMountPoint(fields.at(4));
        if (!unescaped.startsWith(u'/'))
            continue;
        const QString mountPoint = normalizedFolderPath(unescaped);
        if (mountPoint == u"/")
            continue;
        if (isSystemFileSystemType(fields.at(dash + 1)) || isSystemMountPoint(mountPoint))
            continue;
        others.append(mountPoint);
    }
    std::sort(others.begin(), others.end());
    others.erase(std::unique(others.begin(), others.end()), others.end());
    others.prepend(QStringLiteral("/"));
    return others;
}

} // namespace bildertafel::uilists
