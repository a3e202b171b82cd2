#pragma once

#include "host/DialogHost.h"
#include "settings/ShowSettings.h"
#include "ui/prepare/PrepareDialog.h"
#include "ui/publish/PublishDialog.h"
#include "ui/publish/PublishPasswords.h"
#include "ui/window/ShowFolders.h"
#include "ui/window/ShowTemplates.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class QUrl;

namespace Ui {
class MainWindow;
}

namespace bildertafel::generator {
struct ShowGeneratorInput;
} // namespace bildertafel::generator

namespace bildertafel::settings {
struct TemplateSet;
} // namespace bildertafel::settings

namespace bildertafel::uilists {
class DirListBox;
class DriveListBox;
class FileListBox;
} // namespace bildertafel::uilists

namespace bildertafel::ui {

class BrowserPreview;
class TemplateEditor;
class TemplateSetDialog;
class WordsDialog;

// Form1, the program's one window: three tab pages with the folder browsers, the templates and
// the options. Its controls hold the show settings; there is no other copy of them.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What the controls show now, the user's latest edits included.
    settings::ShowSettings settings() const;
    // Shows the settings in the controls at once.
    void applySettings(const settings::ShowSettings& settings);

    // The four remembered folders, each ending in "/"; empty until the first activation.
    const ShowFolderSlots& showFolders() const { return ShowFolders; }
    // Replaces the message box and the input dialog (tests script their answers).
    void setDialogs(std::unique_ptr<host::DialogHost> dialogs);
    // Called with the dialog of "Bilder vorbereiten…" just before it is shown (tests drive it).
    void setPrepareDialogShown(std::function<void(PrepareDialog&)> shown) {
        m_prepareDialogShown = std::move(shown);
    }
    // Replaces the opening of a page in the browser (tests say whether one could be started).
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    // Called with the dialog of "Veröffentlichen…" just before it is shown (tests drive it).
    void setPublishDialogShown(std::function<void(PublishDialog&)> shown) {
        m_publishDialogShown = std::move(shown);
    }

    // Called with the dialog of "Vorlage laden…" just before it is shown (tests drive it).
    void setTemplateSetDialogShown(std::function<void(TemplateSetDialog&)> shown) {
        m_templateSetDialogShown = std::move(shown);
    }

    // Called with the dialog of "Bildtexte…" just before it is shown (tests drive it).
    void setWordsDialogShown(std::function<void(WordsDialog&)> shown) {
        m_wordsDialogShown = std::move(shown);
    }

    // Called with the dialog of "Vorlage bearbeiten…" just before it is shown (tests drive it).
    void setTemplateEditorShown(std::function<void(TemplateEditor&)> shown) {
        m_templateEditorShown = std::move(shown);
    }

    // Re-reads the five file lists and shows the counts; the buttons stay as they are.
    void RefreshFileLists();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Clicks on the two count labels.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindControlArrays();
    void connectEvents();
    void connectContextMenus();
    void runFormActivateOnce();
    QCheckBox* optionBox(settings::ShowOption option) const;
    // The folder of a slot (folderslot) as the core takes paths: its bytes, ending in "/".
    std::string folderOf(std::int16_t slot) const;

    // Handlers of the window's events.
    void Form_Activate();
    void SSTab1_Click();
    void Command1_Click();
    void Drive1_Change(std::int16_t index);
    void Dir1_Change(std::int16_t index);
    void Label2_Click();
    void Label3_Click();
    void File1_Click(std::int16_t index);
    void File1_DblClick(std::int16_t index);
    void Command2_Click(std::int16_t index);
    void Command3_Click();

    void startUpFolderSteps();

    // The context menus of the boxes of the page "Datei".
    void showContextMenu(QWidget& box, const QPoint& at);
    // The start page selected in File1(1), or else the one written last; empty when neither.
    std::string startPageToShow() const;
    void showStartPageInBrowser();
    // Opens a page (a path) in the browser; without one, a message with `title` names the path.
    void openPageInBrowser(const std::string& page, std::string_view title);
    // "Vorschau im Browser…": the pages as they would be now, in a folder of their own.
    void previewInBrowser();
    // The inputs of "HTML erstellen" as the window shows them now.
    generator::ShowGeneratorInput generatorInput() const;
    // The show folder's sub-folder of that name, ending in "/".
    QString showSubFolder(const char16_t* name) const;
    // Opens the show folder's sub-folders that "Bilder vorbereiten" makes in the lists of the
    // previews and the pictures, as the user would.
    void openShowSubFolders();
    // "Bilder vorbereiten…": the dialog, then the lists and counts of the new pictures.
    void preparePictures();
    // "Veröffentlichen…": the show folder's start pages, the chosen one preset.
    void publishShow();
    // "Vorlage laden…": the dialog of the sets, then the chosen one loaded as a configuration.
    void loadTemplateSet();
    // Loads the set into the window, as "Konfiguration Laden" would; false when it cannot be.
    // Loads the configuration file at path as "Konfiguration Laden" does, shown as shownName;
    // false, with its message, when it cannot be.
    bool applyConfigFile(const std::string& path, const std::string& shownName);
    // Settings read from a file into the controls, the file's name shown as loaded.
    void applyLoaded(const settings::ShowSettings& loaded, const std::string& shownName);
    bool applyTemplateSet(const settings::TemplateSet& set);
    // Loads the templates of the source into the window; false, with the message why, when they
    // cannot be.
    bool loadTemplateSource(const TemplateSource& source);
    // "Vorlagen dieser Fotoshow laden": the templates its pages were written with last.
    void loadShowTemplates();
    // Those templates back in the window: the settings kept when the pages were written, where
    // they give them back, else the templates' source as far as it does. False, with the message
    // why, when neither can be loaded.
    bool loadPagesTemplates(const ShowTemplates& memory);
    // Before "HTML erstellen" writes the start page at path: asks when that would replace the
    // show's pages written with other templates. The settings to write with, none to stop.
    std::optional<settings::ShowSettings> settingsForPages(const std::string& startPagePath,
                                                           const settings::ShowSettings& now);
    // After a written run: the show keeps the source and the hashes of its pages.
    void rememberPages(const std::string& startPagePath, const settings::ShowSettings& used);
    // After "Konfiguration Speichern": the file is where the templates come from now.
    void configSaved(const std::string& path);
    // "Bildtexte…": the words of the full-size pictures.
    void editWords();
    // "Auswahl und Download…" for the show, and "Auswahl übernehmen…" of a visitor's answer.
    void allowSelection();
    void takeSelection();
    // The template boxes' own menu and "Vorlage bearbeiten…" for the box of that TemplateId.
    void showTemplateMenu(int id, const QPoint& at);
    void editTemplate(int id);
    void ShowCounts();
    void UpdateButtons();

    // Assigns a folder to Dir1(index); one that cannot be opened is handled as folderNotOpened.
    bool openFolder(std::int16_t index, const QString& folder);
    // Dir1(index) could not open the folder. One that exists but cannot be read leaves everything
    // as it was; one that is gone moves the list to the nearest folder above it. Both are told.
    void folderNotOpened(std::int16_t index, const QString& folder, const QString& reason);
    // Drive1(index) shows the drive of Dir1(index)'s folder, without a change handler.
    void showDriveOfFolder(std::int16_t index);

    std::unique_ptr<Ui::MainWindow> m_ui;

    // The control arrays, indexed as their handlers receive them.
    std::array<QFrame*, 3> Frame1{};
    std::array<QPlainTextEdit*, 6> Text1{};
    std::array<QPushButton*, 2> Command2{};
    std::array<uilists::DriveListBox*, 2> Drive1{};
    std::array<uilists::DirListBox*, 4> Dir1{};
    std::array<uilists::FileListBox*, 5> File1{};

    ShowFolderSlots ShowFolders;
    std::unique_ptr<host::DialogHost> m_dialogs;
    std::string m_lastStartPage; // written by this run of the program; bytes
    PreparationChoices m_preparationChoices;
    int m_templateSetPreviewSize = 0; // the preview size of the set loaded last, 0: none
    TemplateSource m_templateSource;  // of the templates loaded or saved last
    std::function<void(PrepareDialog&)> m_prepareDialogShown;
    std::function<bool(const QUrl&)> m_openUrl;
    PublishPasswords m_publishPasswords;
    std::function<void(PublishDialog&)> m_publishDialogShown;
    std::function<void(TemplateSetDialog&)> m_templateSetDialogShown;
    std::unique_ptr<BrowserPreview> m_browserPreview; // made at the first preview
    std::function<void(TemplateEditor&)> m_templateEditorShown;
    std::function<void(WordsDialog&)> m_wordsDialogShown;
    int m_menuPicture = -1; // the picture the menu of the pictures' box was opened on

    bool m_activated = false;
};

} // namespace bildertafel::ui
