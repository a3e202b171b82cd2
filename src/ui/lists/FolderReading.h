#pragma once

#include <QString>
#include <QStringList>

namespace bildertafel::uilists {

struct FolderReading {
    bool readable = false;
    QStringList subFolders; // not hidden ones, in list order
    QString germanReason;   // why the folder cannot be read; empty when readable
};

// Really opens and lists the folder, so that a refusal is reported for whoever runs the program
// (access bits alone say nothing for the super-user).
FolderReading readSubFolders(const QString& folder);

// True when the path names an existing folder (symbolic links followed).
bool isExistingFolder(const QString& path);

} // namespace bildertafel::uilists
