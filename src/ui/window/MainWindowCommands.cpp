// The buttons: when they can be used, and loading, saving and generating through the window.
#include "ui/window/MainWindow.h"

#include "core/SlashPath.h"
#include "generator/ShowGenerator.h"
#include "settings/ConfigCommands.h"
#include "ui/common/QtText.h"
#include "ui/common/StandardDialogs.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/publish/PublishTargets.h"
#include "ui/selection/SelectionSettings.h"
#include "ui/window/WindowConfigHost.h"
#include "ui/window/WindowGeneratorHost.h"
#include "ui/window/WindowTexts.h"
#include "ui_MainWindow.h"

namespace bildertafel::ui {

void MainWindow::UpdateButtons() {
    Command2[configbutton::Load]->setEnabled(File1[filelistslot::ConfigFiles]->selectedIndex() >=
                                             0);
    m_ui->Command3->setEnabled(true);
    if (File1[filelistslot::Thumbs]->count() < 1) {
        m_ui->Command3->setEnabled(false);
    }
    if (File1[filelistslot::Pictures]->count() < 1) {
        m_ui->Command3->setEnabled(false);
    }
}

void MainWindow::File1_Click(std::int16_t /*index*/) {
    UpdateButtons();
}

void MainWindow::File1_DblClick(std::int16_t /*index*/) {
    // Whichever list was double-clicked, the configuration selected in File1(0) is loaded.
    Command2_Click(configbutton::Load);
}

void MainWindow::Command2_Click(std::int16_t index) {
    WindowConfigHost host(ShowFolders[folderslot::ConfigFolder], *File1[filelistslot::ConfigFiles],
                          *m_ui->Label4);
    if (index == configbutton::Save) {
        std::string written;
        if (settings::WriteConfigFile(settings(), host, *m_dialogs, &written) ==
            settings::ConfigOutcome::Done) {
            configSaved(written);
        }
        return;
    }
    settings::ShowSettings loaded = settings();
    // A file that cannot be read whole leaves the controls as they are.
    if (settings::ReadConfigFile(loaded, host, *m_dialogs) == settings::ConfigOutcome::Done) {
        applySettings(loaded);
        const std::string name = *host.selectedConfigName();
        m_templateSource = {TemplateSource::Kind::ConfigFile, host.ConfigFolder() + name,
                            uilists::fromFileName(name)};
    }
}

void MainWindow::configSaved(const std::string& path) {
    m_templateSource = {TemplateSource::Kind::ConfigFile, path,
                        uilists::fromFileName(core::nameOf(path))};
    // Saved with the templates of the show's pages: the file is their way back from now on.
    const std::string show = folderOf(folderslot::ShowFolder);
    std::optional<ShowTemplates> memory = recallShowTemplates(show);
    if (memory && memory->templatesHash == templatesHash(settings())) {
        memory->source = m_templateSource;
        rememberShowTemplates(show, *memory);
    }
}

generator::ShowGeneratorInput MainWindow::generatorInput() const {
    generator::ShowGeneratorInput input;
    input.settings = settings();
    // Folder and file names keep their bytes, so the pages link to the files that exist.
    input.ShowFolder = folderOf(folderslot::ShowFolder);
    input.ThumbFolder = folderOf(folderslot::ThumbFolder);
    input.PictureFolder = folderOf(folderslot::PictureFolder);
    const uilists::FileListBox& thumbs = *File1[filelistslot::Thumbs];
    input.ThumbNames.reserve(static_cast<std::size_t>(thumbs.count()));
    for (int i = 0; i < thumbs.count(); ++i) {
        input.ThumbNames.push_back(thumbs.fileNameAt(i));
    }
    input.PictureCount = File1[filelistslot::Pictures]->count();
    input.selection = selectionForPages(input.ShowFolder);
    input.zip = rememberedSelection(input.ShowFolder).zip;
    // "Suchmaschinen fernhalten" is chosen with the show's publishing, and holds for its pages.
    input.noindex = rememberedTarget(input.ShowFolder).access.noindex;
    return input;
}

void MainWindow::Command3_Click() {
    const generator::ShowGeneratorInput input = generatorInput();
    settings::ShowSettings used = input.settings;
    WindowGeneratorHost host(
        [this] { RefreshFileLists(); },
        [this, &used](const std::string& path) {
            m_lastStartPage = path;
            rememberPages(path, used);
        },
        [this, &used](const std::string& path, const settings::ShowSettings& now) {
            std::optional<settings::ShowSettings> chosen = settingsForPages(path, now);
            if (chosen) {
                used = *chosen;
            }
            return chosen;
        },
        *m_dialogs);
    generator::ShowGenerator::run(input, host, *m_dialogs);
}

std::optional<settings::ShowSettings>
MainWindow::settingsForPages(const std::string& startPagePath, const settings::ShowSettings& now) {
    const std::string show = folderOf(folderslot::ShowFolder);
    const std::optional<ShowTemplates> memory = recallShowTemplates(show);
    // Asked only where there is a way back: the templates' source, or the settings kept.
    if (!memory || !replacesOtherTemplates(*memory, startPagePath, now) ||
        (!memory->source.known() && !hasKeptPagesSettings(show))) {
        return now;
    }
    const std::string shown =
        memory->source.known() ? memory->source.shown.toStdString() : std::string();
    const int answer = askChoice(
        this, fromUtf8(texts::GenerateTitle), fromUtf8(texts::otherTemplatesQuestion(shown)),
        {fromUtf8(texts::loadTemplateButton(shown)), fromUtf8(texts::WriteAnywayButton),
         fromUtf8(texts::CancelButton)});
    if (answer == 1) {
        return now;
    }
    if (answer != 0 || !loadPagesTemplates(*memory)) {
        return std::nullopt;
    }
    // Written with what was loaded only when that gives the pages back as they were.
    settings::ShowSettings loaded = settings();
    if (templatesHash(loaded) != memory->templatesHash) {
        m_dialogs->showMessage(texts::loadedTemplatesDiffer(shown, true), texts::GenerateTitle);
        return std::nullopt;
    }
    return loaded;
}

void MainWindow::rememberPages(const std::string& startPagePath,
                               const settings::ShowSettings& used) {
    const std::string show = folderOf(folderslot::ShowFolder);
    ShowTemplates memory;
    memory.templatesHash = templatesHash(used);
    // Templates typed by hand, or changed since the source was loaded, keep the source: it
    // holds the way back as far as one is known, the settings kept below hold it whole.
    memory.source = m_templateSource;
    memory.startPage = core::nameOf(startPagePath);
    memory.startPageHash = fileHash(startPagePath);
    rememberShowTemplates(show, memory);
    keepPagesSettings(show, used);
}

} // namespace bildertafel::ui
