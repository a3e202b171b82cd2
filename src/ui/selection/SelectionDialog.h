#pragma once

#include "selection/SelectionAnswer.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QThread;

namespace Ui {
class SelectionDialog;
}

namespace bildertafel::ui {

// The show a visitor chose from; folders end in "/", names and folders are bytes as the window
// keeps file names.
struct SelectionSource {
    std::string thumbFolder;
    std::string pictureFolder;
    std::vector<std::string> thumbNames; // the previews, in list order
    std::string originalsFolder;         // the preparation's for this show; "": none known
};

// "Auswahl übernehmen…": the photographer pastes a visitor's answer; the dialog shows the chosen
// pictures with their previews, the names that are not in the show and who chose. "In Ordner
// kopieren…" copies the chosen originals (without them the web-size pictures, said so) into a
// new or empty folder, off the window's thread; "Liste speichern…" writes the names as text.
class SelectionDialog : public QDialog {
    Q_OBJECT

public:
    // Where the copies go and where the list is saved; tests answer them. "" cancels.
    using Chooser = std::function<QString()>;

    SelectionDialog(SelectionSource source, QWidget* parent);
    ~SelectionDialog() override;

    void setFolderChooser(Chooser choose) { m_chooseFolder = std::move(choose); }
    void setListFileChooser(Chooser choose) { m_chooseListFile = std::move(choose); }
    // The chosen pictures' names in show order.
    std::vector<std::string> chosenNames() const;
    bool isCopying() const { return m_worker != nullptr; }

public slots:
    void reject() override;

private:
    void readAnswer();
    void copyToFolder();
    void saveList();
    void copyDone();

    std::unique_ptr<Ui::SelectionDialog> m_ui;
    SelectionSource m_source;
    std::vector<std::string> m_showNames; // without extension, in show order
    selection::SelectionAnswer m_answer;
    Chooser m_chooseFolder;
    Chooser m_chooseListFile;
    QThread* m_worker = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_done{0};
    QString m_copyResult;
};

} // namespace bildertafel::ui
