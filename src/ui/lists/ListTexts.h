#pragma once

#include <QString>

// The texts of the drive, folder and file lists that a user reads, in one place.
namespace bildertafel::uilists::texts {

QString noFolderGiven();
QString folderMissing(const QString& folder);
QString notAFolder(const QString& path);
QString folderAccessDenied(const QString& folder);
// Any other reason of the system, already German.
QString folderUnreadable(const QString& folder, const QString& reason);

} // namespace bildertafel::uilists::texts
