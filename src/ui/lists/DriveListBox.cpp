#include "ui/lists/DriveListBox.h"

#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"

#include <QFile>
#include <QSignalBlocker>

namespace bildertafel::uilists {

namespace {

QString readMountTable() {
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = table.readAll();
    return fromFileName(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    refreshDrives();
    // Like the directory lists, the drive list starts at the program's working folder.
    setDrive(driveOf(normalizedFolderPath(workingFolder()), drives()));
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::takeChosenEntry);
}

QString DriveListBox::drive() const {
    return m_drive;
}

void DriveListBox::setDrive(const QString& root) {
    if (root.isEmpty())
        return;
    const QString normalized = normalizedFolderPath(root);
    int index = findText(normalized);
    if (index < 0)
        index = insertDrive(normalized);
    setCurrentIndex(index);
    // Before the signal connection exists (construction) the chosen drive is taken here.
    takeChosenEntry(index);
}

QStringList DriveListBox::drives() const {
    QStringList list;
    list.reserve(count());
    for (int i = 0; i < count(); ++i)
        list.append(itemText(i));
    return list;
}

void DriveListBox::refreshDrives() {
    const QSignalBlocker blocker(this);
    clear();
    addItems(drivesFromMountInfo(readMountTable()));
    if (!m_drive.isEmpty()) {
        int index = findText(m_drive);
        if (index < 0)
            index = insertDrive(m_drive);
        setCurrentIndex(index);
    }
}

QString DriveListBox::driveOf(const QString& path, const QStringList& drives) {
    const QString normalized = normalizedFolderPath(path);
    QString best;
    for (const QString& drive : drives) {
        const QString root = normalizedFolderPath(drive);
        if (isInsideFolder(normalized, root) && (best.isEmpty() || root.size() > best.size()))
            best = root;
    }
    return best;
}

void DriveListBox::showPopup() {
    refreshDrives();
    QComboBox::showPopup();
}

void DriveListBox::takeChosenEntry(int index) {
    const QString chosen = index < 0 ? QString() : itemText(index);
    if (chosen == m_drive)
        return;
    m_drive = chosen;
    emit driveChanged();
}

int DriveListBox::insertDrive(const QString& root) {
    // Keep the order of the mount table listing: "/" first, then by name.
    int index = 1;
    while (index < count() && itemText(index) < root)
        ++index;
    if (count() == 0 || root == u"/")
        index = 0;
    insertItem(index, root);
    return index;
}

} // namespace bildertafel::uilists
