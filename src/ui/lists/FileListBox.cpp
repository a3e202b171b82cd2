#include "ui/lists/FileListBox.h"

#include "filelist/FileList.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>
#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

namespace bildertafel::uilists {

namespace {

std::vector<std::string> readNames(const QString& folder, const QString& pattern) {
    if (folder.isEmpty() || pattern.isEmpty())
        return {};
    std::error_code error;
    std::vector<std::string> names =
        filelist::listFolder(toFileName(folder), pattern.toStdString(), error);
    return error ? std::vector<std::string>() : names;
}

} // namespace

FileListBox::FileListBox(QWidget* parent)
    : QListView(parent), m_model(new QStringListModel(this)),
      m_folder(normalizedFolderPath(workingFolder())) {
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
                   : normalizedFolderPath(folder, normalizedFolderPath(workingFolder()));
    showNames(readNames(m_folder, m_pattern));
}

void FileListBox::showFolder(const QString& folder, const std::vector<std::string>& fileNames) {
    m_folder = normalizedFolderPath(folder, normalizedFolderPath(workingFolder()));
    showNames(m_pattern.isEmpty() ? std::vector<std::string>()
                                  : filelist::filesMatching(fileNames, m_pattern.toStdString()));
}

QString FileListBox::folder() const {
    return m_folder;
}

int FileListBox::count() const {
    return static_cast<int>(m_fileNames.size());
}

QString FileListBox::nameAt(int position) const {
    return position >= 0 && position < count() ? m_shown.at(position) : QString();
}

std::string FileListBox::fileNameAt(int position) const {
    return position >= 0 && position < count() ? m_fileNames[static_cast<std::size_t>(position)]
                                               : std::string();
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
    const std::string kept = fileNameAt(selectedIndex());
    showNames(readNames(m_folder, m_pattern));
    if (kept.empty())
        return;
    const auto found = std::find(m_fileNames.begin(), m_fileNames.end(), kept);
    if (found != m_fileNames.end())
        setSelectedIndex(static_cast<int>(found - m_fileNames.begin()));
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    // Return or Enter on an entry does what a double-click on it does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && selectedIndex() >= 0) {
        event->accept();
        emit fileDoubleClicked();
        return;
    }
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

void FileListBox::showNames(std::vector<std::string> names) {
    m_fileNames = std::move(names);
    m_shown.clear();
    m_shown.reserve(static_cast<qsizetype>(m_fileNames.size()));
    for (const std::string& name : m_fileNames)
        m_shown.append(fromFileName(name));
    // A model reset clears the selection: a new reading starts with no entry selected.
    m_model->setStringList(m_shown);
}

} // namespace bildertafel::uilists
