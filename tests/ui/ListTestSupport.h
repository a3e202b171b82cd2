#pragma once

#include "ui/lists/DirListBox.h"
#include "ui/lists/FileListBox.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;

namespace bildertafel::uitest {

using bildertafel::uilists::DirListBox;
using bildertafel::uilists::FileListBox;

// Files and folders below a folder. Each returns false when the disk refused, so that the test
// can stop at its own QVERIFY.
bool makeFiles(const QString& folder, const QStringList& relativePaths); // empty files
bool makeFolders(const QString& folder, const QStringList& relativePaths);
bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// What a person does with the mouse: a double-click on the row of a folder, a click or a
// double-click on an entry of a file list, a click on a label or a button. False when the row or
// entry is not there.
bool doubleClickFolderRow(DirListBox& list, const QString& folder);
bool clickEntry(FileListBox& list, const QString& name);
bool doubleClickEntry(FileListBox& list, const QString& name);
void clickWidget(QWidget& widget);

// The names a file list shows, in list order, and the texts of a folder list's rows.
QStringList namesOf(const FileListBox& list);
QStringList rowTexts(const DirListBox& list);

// The folder without symbolic links, as the lists and slots show a working folder.
QString canonical(const QString& folder);

} // namespace bildertafel::uitest
