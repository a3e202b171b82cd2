#pragma once

#include <QListView>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QStringListModel;

namespace bildertafel::uilists {

// List of the file names in one folder that match a fixed pattern ("*.jpg"), in list order, with
// single selection. Folders and hidden names are not listed.
class FileListBox : public QListView {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent = nullptr);

    // The pattern "*.ext"; an empty pattern lists nothing. Setting it reads the folder again.
    void setPattern(const QString& pattern);
    QString pattern() const;
    // Reads the folder; no entry is selected afterwards. A folder that cannot be read shows as
    // empty. Until a folder is set, the list shows the program's working folder.
    void setFolder(const QString& folder);
    QString folder() const;
    // Shows the matching names of a folder that was just read for its folder list.
    void showFolder(const QString& folder, const std::vector<std::string>& fileNames);

    int count() const;
    // The name at a position 0 to count() - 1 as the list shows it; empty outside.
    QString nameAt(int position) const;
    // The same name as the file system holds it, byte for byte.
    std::string fileNameAt(int position) const;
    // The selected position, -1 when no entry is selected.
    int selectedIndex() const;
    QString selectedName() const;
    // -1 clears the selection; a position outside the list changes nothing. No signal.
    void setSelectedIndex(int position);
    // Reads the folder again; the selected entry stays selected while its file still exists.
    void reread();

signals:
    // The user selected an entry: a mouse click on an entry (also on the one already selected),
    // or a key that moved the selection.
    void fileClicked();
    // A double-click on an entry, or Return or Enter while an entry is selected.
    void fileDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void showNames(std::vector<std::string> names);

    QStringListModel* m_model;
    QString m_pattern;
    QString m_folder;
    std::vector<std::string> m_fileNames;
    QStringList m_shown;
};

} // namespace bildertafel::uilists
