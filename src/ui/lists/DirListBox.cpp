#include "ui/lists/DirListBox.h"

#include "ui/lists/DirRowDelegate.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"
#include "ui/lists/FolderReading.h"
#include "ui/lists/PngIcon.h"

#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QVariant>

namespace bildertafel::uilists {

namespace {

// The lists draw their own folder pictures, the same on every desktop: asking the desktop's icon
// theme for its folder icons reads and parses the theme's index, which cost a quarter of the
// window's start. The two pictures are decoded once, for every list.
QIcon folderIcon(bool open) {
    const char* key = open ? "bildertafelOpenFolderIcon" : "bildertafelFolderIcon";
    QCoreApplication* application = QCoreApplication::instance();
    const QVariant kept = application->property(key);
    if (kept.isValid())
        return kept.value<QIcon>();
    QIcon icon = open ? pngIcon({QStringLiteral(":/lists/folder-open-16.png"),
                                 QStringLiteral(":/lists/folder-open-32.png")})
                      : pngIcon({QStringLiteral(":/lists/folder-16.png"),
                                 QStringLiteral(":/lists/folder-32.png")});
    application->setProperty(key, icon);
    return icon;
}

} // namespace

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new DirRowDelegate(LevelRole, this));
    // Every row's icon has the style's size for small icons.
    const int iconSide = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setIconSize(QSize(iconSide, iconSide));
    // Like a new classic folder list, it starts at the program's working folder.
    m_path = normalizedFolderPath(workingFolder());
    FolderReading reading = readFolder(m_path);
    m_fileNames = std::move(reading.fileNames);
    showRows(reading.subFolders, false);
}

QString DirListBox::path() const {
    return m_path;
}

bool DirListBox::setPath(const QString& path, QString* error) {
    const QString target = path.isEmpty() ? QString() : normalizedFolderPath(path, m_path);
    FolderReading reading = readFolder(target);
    if (!reading.readable) {
        if (error)
            *error = reading.germanReason;
        return false;
    }
    const bool changed = target != m_path;
    m_path = target;
    m_fileNames = std::move(reading.fileNames);
    // The same folder again only refreshes its sub-folders, quietly.
    showRows(reading.subFolders, !changed);
    if (changed)
        emit pathChanged();
    return true;
}

void DirListBox::reread() {
    FolderReading reading = readFolder(m_path);
    m_fileNames = std::move(reading.fileNames);
    showRows(reading.subFolders, true);
}

int DirListBox::currentFolderRow() const {
    return static_cast<int>(m_path.count(u'/')) - (m_path == u"/" ? 1 : 0);
}

QString DirListBox::nearestExistingAncestor(const QString& path) {
    QString folder = normalizedFolderPath(path);
    while (folder != u"/" && !isExistingFolder(folder))
        folder = parentFolderPath(folder);
    return folder;
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QListWidgetItem* hit = itemAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || hit == nullptr) {
        QListWidget::mouseDoubleClickEvent(event);
        return;
    }
    // Handled here rather than through the view's signals: opening rebuilds every row, and the
    // view must not touch the old items afterwards.
    event->accept();
    openRow(row(hit));
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QListWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (currentRow() >= 0)
        openRow(currentRow());
}

void DirListBox::openRow(int row) {
    const QString folder = item(row)->data(PathRole).toString();
    QString reason;
    if (!setPath(folder, &reason))
        emit openFailed(folder, reason);
}

void DirListBox::showRows(const QStringList& subFolders, bool keepChosenRow) {
    const QString chosen =
        keepChosenRow && currentItem() ? currentItem()->data(PathRole).toString() : QString();
    const QIcon openIcon = folderIcon(true);
    const QIcon closedIcon = folderIcon(false);
    clear();
    addRow(openIcon, QStringLiteral("/"), QStringLiteral("/"), 0);
    QString folder;
    int level = 0;
    for (const QString& name : m_path.split(u'/', Qt::SkipEmptyParts)) {
        folder += u'/' + name;
        addRow(openIcon, name, folder, ++level);
    }
    const QString prefix = m_path == u"/" ? QString() : m_path;
    for (const QString& name : subFolders)
        addRow(closedIcon, name, prefix + u'/' + name, level + 1);

    int rowToChoose = currentFolderRow();
    if (!chosen.isEmpty()) {
        for (int i = 0; i < count(); ++i) {
            if (item(i)->data(PathRole).toString() == chosen) {
                rowToChoose = i;
                break;
            }
        }
    }
    setCurrentRow(rowToChoose);
}

void DirListBox::addRow(const QIcon& icon, const QString& text, const QString& folder, int level) {
    // The list owns its items.
    auto* row = new QListWidgetItem(icon, text, this);
    row->setData(PathRole, folder);
    row->setData(LevelRole, level);
    row->setToolTip(folder);
}

} // namespace bildertafel::uilists
