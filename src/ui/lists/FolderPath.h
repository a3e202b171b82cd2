#pragma once

#include <QString>

namespace bildertafel::uilists {

// The core's clean-up of a folder path (filelist::normalizedFolderPath) on the window's texts.
QString normalizedFolderPath(const QString& path, const QString& base = QStringLiteral("/"));

// The core's trailing separator and same-folder rule (filelist) on the window's texts.
QString withTrailingSeparator(const QString& folder);
bool isSameFolder(const QString& a, const QString& b);

// The folder above a normalised path; the root is its own parent.
QString parentFolderPath(const QString& normalizedPath);

// True when a normalised path is root itself or lies below it, comparing whole folder names:
// "/home2" is not inside "/home".
bool isInsideFolder(const QString& normalizedPath, const QString& normalizedRoot);

} // namespace bildertafel::uilists
