// The four remembered folders: drive and directory lists, the file lists that follow them, the
// counts and the folder steps of the start-up.
#include "ui/window/MainWindow.h"

#include "host/CommonTexts.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/FolderPath.h"
#include "ui/lists/FolderReading.h"
#include "ui/window/TempVariable.h"
#include "ui/window/WindowTexts.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QSignalBlocker>

namespace bildertafel::ui {

namespace {

using uilists::isExistingFolder;
using uilists::normalizedFolderPath;
using uilists::parentFolderPath;

using host::FileSystemProblemTitle;

} // namespace

void MainWindow::startUpFolderSteps() {
    const QString temp = tempVariable(QProcessEnvironment::systemEnvironment());
    // A "temp" that names no folder that can be read leaves the working folder, without a word:
    // the user did not ask for anything yet.
    if (!temp.isEmpty()) {
        const QString folder =
            normalizedFolderPath(temp, normalizedFolderPath(uilists::workingFolder()));
        if (uilists::readFolder(folder).readable) {
            Drive1[folderslot::ConfigFolder]->setDrive(
                uilists::DriveListBox::driveOf(folder, Drive1[folderslot::ConfigFolder]->drives()));
            openFolder(folderslot::ConfigFolder, folder);
        }
    }
    UpdateButtons();
    RefreshFileLists();
    for (std::size_t i = 0; i < ShowFolders.size(); ++i) {
        ShowFolders[i] = withTrailingSeparator(Dir1[i]->path());
    }
}

void MainWindow::Drive1_Change(std::int16_t index) {
    // A new drive opens at its root folder.
    QString reason;
    if (!Dir1[index]->setPath(Drive1[index]->drive(), &reason)) {
        showDriveOfFolder(index);
        m_dialogs->showMessage(reason.toStdString(), FileSystemProblemTitle);
    }
    if (index == folderslot::ShowFolder) {
        openFolder(folderslot::ThumbFolder, Dir1[folderslot::ShowFolder]->path());
        openFolder(folderslot::PictureFolder, Dir1[folderslot::ShowFolder]->path());
    }
}

void MainWindow::Dir1_Change(std::int16_t index) {
    // The folder list has just read the folder; its file list takes the names from there.
    File1[index]->showFolder(Dir1[index]->path(), Dir1[index]->fileNames());
    ShowFolders[index] = withTrailingSeparator(Dir1[index]->path());
    if (index < static_cast<std::int16_t>(Drive1.size())) {
        // Walking up past a mount point changes the drive the folder lies on.
        showDriveOfFolder(index);
    }
    if (index == folderslot::ShowFolder) {
        openFolder(folderslot::ThumbFolder, ShowFolders[folderslot::ShowFolder]);
        openFolder(folderslot::PictureFolder, ShowFolders[folderslot::ShowFolder]);
    }
    if (index == folderslot::PictureFolder) {
        File1[filelistslot::PicturePages]->showFolder(ShowFolders[folderslot::PictureFolder],
                                                      Dir1[index]->fileNames());
    }
    UpdateButtons();
    ShowCounts();
}

void MainWindow::ShowCounts() {
    m_ui->Label2->setText(QString::number(File1[filelistslot::Thumbs]->count()));
    m_ui->Label3->setText(
        QString::number(File1[filelistslot::Pictures]->count()) + QStringLiteral(" jpg / ") +
        QString::number(File1[filelistslot::PicturePages]->count()) + QStringLiteral(" html"));
}

void MainWindow::RefreshFileLists() {
    for (uilists::FileListBox* list : File1) {
        list->reread();
    }
    ShowCounts();
}

void MainWindow::Label2_Click() {
    RefreshFileLists();
}

void MainWindow::Label3_Click() {
    RefreshFileLists();
}

bool MainWindow::openFolder(std::int16_t index, const QString& folder) {
    QString reason;
    if (Dir1[index]->setPath(folder, &reason)) {
        return true;
    }
    folderNotOpened(index, folder, reason);
    return false;
}

void MainWindow::folderNotOpened(std::int16_t index, const QString& folder, const QString& reason) {
    uilists::DirListBox& list = *Dir1[index];
    const QString wanted = normalizedFolderPath(folder, list.path());
    if (isExistingFolder(wanted)) {
        m_dialogs->showMessage(reason.toStdString(), FileSystemProblemTitle);
        return;
    }
    const QString before = list.path();
    // The nearest folder above that can be opened; "/" at the latest.
    QString above = uilists::DirListBox::nearestExistingAncestor(wanted);
    while (!list.setPath(above) && above != u"/") {
        above = uilists::DirListBox::nearestExistingAncestor(parentFolderPath(above));
    }
    if (list.path() == before) {
        m_dialogs->showMessage(reason.toStdString(), FileSystemProblemTitle);
        return;
    }
    m_dialogs->showMessage(
        texts::openedNearestAbove(reason.toStdString(), list.path().toStdString()),
        FileSystemProblemTitle);
}

void MainWindow::showDriveOfFolder(std::int16_t index) {
    uilists::DriveListBox& drives = *Drive1[index];
    const QSignalBlocker quiet(&drives);
    drives.setDrive(uilists::DriveListBox::driveOf(Dir1[index]->path(), drives.drives()));
}

} // namespace bildertafel::ui
