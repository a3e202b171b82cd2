#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace bildertafel::uilists {

// One reading of a folder serves both its folder list and its file lists.
struct FolderReading {
    bool readable = false;
    QStringList subFolders;             // not hidden ones, in list order
    std::vector<std::string> fileNames; // not hidden ones, as the folder holds them
    QString germanReason;               // why the folder cannot be read; empty when readable
};

// Really opens and lists the folder, so that a refusal is reported for whoever runs the program
// (access bits alone say nothing for the super-user).
FolderReading readFolder(const QString& folder);

// True when the path names an existing folder (symbolic links followed).
bool isExistingFolder(const QString& path);

} // namespace bildertafel::uilists
