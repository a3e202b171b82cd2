#pragma once

#include "dialogs/DialogHost.h"
#include "ui/MainWindow.h"
#include "ui/lists/DirListBox.h"
#include "ui/lists/DriveListBox.h"
#include "ui/lists/FileListBox.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace bildertafel::uitest {

using bildertafel::uilists::DirListBox;
using bildertafel::uilists::DriveListBox;
using bildertafel::uilists::FileListBox;

// Answers the window's dialogs from a script and records what they were asked to show.
class ScriptedDialogs : public bildertafel::dialogs::DialogHost {
public:
    struct Message {
        QString text;
        QString title;
    };
    struct Question {
        QString prompt;
        QString title;
        QString presetAnswer;
    };

    void showMessage(std::string_view text, std::string_view title) override;
    // The next scripted answer; with none left, the empty answer of Cancel.
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override;

    QStringList answers;
    QList<Message> messages;
    QList<Question> questions;
};

// Gives the window scripted dialogs; the window owns them, the reference stays valid with it.
ScriptedDialogs& scriptDialogs(bildertafel::ui::MainWindow& window);

// Shows the window and waits until its start-up has run.
bool startWindow(bildertafel::ui::MainWindow& window);

// Creates empty files (and the folders they lie in) below a folder.
bool makeFiles(const QString& folder, const QStringList& relativePaths);
bool writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);

// What a person does with the mouse: a double-click on the row of a folder, a click or a
// double-click on an entry of a file list, a click on a label or a button. False when the row or
// entry is not there.
bool doubleClickFolderRow(DirListBox& list, const QString& folder);
bool clickEntry(FileListBox& list, const QString& name);
bool doubleClickEntry(FileListBox& list, const QString& name);
void clickWidget(QWidget& widget);

// A control of the window by its object name; a missing one ends the test program.
template <typename Control>
Control& control(bildertafel::ui::MainWindow& window, const QString& name) {
    auto* found = window.findChild<Control*>(name);
    if (found == nullptr)
        qFatal("control %s missing", qPrintable(name));
    return *found;
}

// The names a file list shows, in list order.
QStringList namesOf(const FileListBox& list);

// The folder without symbolic links, as the lists and slots show a working folder.
QString canonical(const QString& folder);

} // namespace bildertafel::uitest
