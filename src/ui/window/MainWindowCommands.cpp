// The buttons: when they can be used, and loading, saving and generating through the window.
#include "ui/window/MainWindow.h"

#include "generator/ShowGenerator.h"
#include "settings/ConfigCommands.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/publish/PublishTargets.h"
#include "ui/selection/SelectionSettings.h"
#include "ui/window/WindowConfigHost.h"
#include "ui/window/WindowGeneratorHost.h"
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
        settings::WriteConfigFile(settings(), host, *m_dialogs);
        return;
    }
    settings::ShowSettings loaded = settings();
    // A file that cannot be read whole leaves the controls as they are.
    if (settings::ReadConfigFile(loaded, host, *m_dialogs) == settings::ConfigOutcome::Done) {
        applySettings(loaded);
    }
}

generator::ShowGeneratorInput MainWindow::generatorInput() const {
    generator::ShowGeneratorInput input;
    input.settings = settings();
    // Folder and file names keep their bytes, so the pages link to the files that exist.
    input.ShowFolder = uilists::toFileName(ShowFolders[folderslot::ShowFolder]);
    input.ThumbFolder = uilists::toFileName(ShowFolders[folderslot::ThumbFolder]);
    input.PictureFolder = uilists::toFileName(ShowFolders[folderslot::PictureFolder]);
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
    WindowGeneratorHost host([this] { RefreshFileLists(); },
                             [this](const std::string& path) { m_lastStartPage = path; },
                             *m_dialogs);
    generator::ShowGenerator::run(generatorInput(), host, *m_dialogs);
}

} // namespace bildertafel::ui
