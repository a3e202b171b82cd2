#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace bildertafel::uilists {

// Folder list in the classic style: the current folder's ancestors from "/" down, each one step
// further indented, then the current folder, then its sub-folders one step deeper. Hidden
// folders are not shown. A double-click or Enter on a row opens that folder.
class DirListBox : public QListWidget {
    Q_OBJECT

public:
    // Item data of each row: its folder's full path and its depth (the root has depth 0).
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

    explicit DirListBox(QWidget* parent = nullptr);

    // The current folder: absolute, without trailing "/" except for the root "/".
    QString path() const;
    // Makes the folder current (a relative path counts from the current folder; a trailing "/",
    // "." and ".." are accepted, links are kept as written). A folder that cannot be read is
    // refused: false, a German reason in *error, and nothing changes. pathChanged() only when
    // the current folder differs.
    bool setPath(const QString& path, QString* error = nullptr);
    // Reads the sub-folders again. A current folder that has vanished stays current and shows
    // no sub-folders; the list never moves by itself.
    void reread();
    // The files of the current folder as its last reading found them (bytes, not hidden, in the
    // order of the folder), so that its file lists need not read it again.
    const std::vector<std::string>& fileNames() const { return m_fileNames; }
    // The row that shows the current folder.
    int currentFolderRow() const;

    // The path itself when it is an existing folder, otherwise the nearest existing folder above
    // it ("/" at the latest). Lets the window leave a vanished folder for the nearest one above.
    static QString nearestExistingAncestor(const QString& path);

signals:
    void pathChanged();
    // The user opened a row whose folder cannot be read; the list stayed where it was.
    void openFailed(const QString& path, const QString& germanReason);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openRow(int row);
    void showRows(const QStringList& subFolders, bool keepChosenRow);
    void addRow(const QIcon& icon, const QString& text, const QString& folder, int level);

    QString m_path;
    std::vector<std::string> m_fileNames;
};

} // namespace bildertafel::uilists
