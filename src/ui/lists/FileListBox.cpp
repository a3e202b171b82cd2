#include "ui/lists/FileListBox.h"

#include "filelist/FileList.h"
#include "ui/lists/FolderPath.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace bildertafel::uilists {

namespace {

QStringList readNames(const QString& folder, const QString& pattern) {
    if (folder.isEmpty() || pattern.isEmpty())
        return {};
    std::error_code error;
    const std::vector<std::string> names = filelist::listFolder(
        std::filesystem::path(folder.toStdString()), pattern.toStdString(), error);
    if (error)
        return {};
    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names)
        list.append(QString::fromStdString(name));
    return list;
}

} // namespace

FileListBox::FileListBox(QWidget* parent)
    : QListView(parent), m_model(new QStringListModel(this)),
      m_folder(normalizedFolderPath(QDir::currentPath())) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row has the same height, so tens of thousands of names are laid out at once.
    setUniformItemSizes(true);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            emit fileClicked();
    });
}

void FileListBox::setPattern(const QString& pattern) {
    m_pattern = pattern;
    showNames(readNames(m_folder, m_pattern));
}

QString FileListBox::pattern() const {
    return m_pattern;
}

void FileListBox::setFolder(const QString& folder) {
    m_folder = folder.isEmpty()
                   ? QString()
                   : normalizedFolderPath(folder, normalizedFolderPath(QDir::currentPath()));
    showNames(readNames(m_folder, m_pattern));
}

QString FileListBox::folder() const {
    return m_folder;
}

int FileListBox::count() const {
    return static_cast<int>(m_names.size());
}

QString FileListBox::nameAt(int position) const {
    return position >= 0 && position < count() ? m_names.at(position) : QString();
}

int FileListBox::selectedIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString FileListBox::selectedName() const {
    return nameAt(selectedIndex());
}

void FileListBox::setSelectedIndex(int position) {
    if (position == -1) {
        selectionModel()->clear();
        return;
    }
    if (position < 0 || position >= count())
        return;
    const QModelIndex index = m_model->index(position);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FileListBox::reread() {
    const QString kept = selectedName();
    showNames(readNames(m_folder, m_pattern));
    if (!kept.isEmpty())
        setSelectedIndex(static_cast<int>(m_names.indexOf(kept)));
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    const int before = selectedIndex();
    QListView::keyPressEvent(event);
    if (selectedIndex() != before)
        emit fileClicked();
}

void FileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    // Counted on the entry under the pointer, also when the first press of the double-click
    // landed elsewhere (the view's own signal would stay silent then).
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit fileDoubleClicked();
}

void FileListBox::showNames(QStringList names) {
    m_names = std::move(names);
    // A model reset clears the selection: a new reading starts with no entry selected.
    m_model->setStringList(m_names);
}

} // namespace bildertafel::uilists
