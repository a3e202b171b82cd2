#pragma once

#include "ListTestSupport.h"
#include "host/DialogHost.h"
#include "ui/lists/DriveListBox.h"
#include "ui/window/MainWindow.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace bildertafel::uitest {

using bildertafel::uilists::DriveListBox;

// Answers the window's dialogs from a script and records what they were asked to show.
class ScriptedDialogs : public bildertafel::host::DialogHost {
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

// Prepares a test program of the window: the user's own settings stay untouched (Qt's test
// mode), the window's style; the current folder, which the tests give back after each case.
QString prepareWindowTests();

// Gives the window scripted dialogs; the window owns them, the reference stays valid with it.
ScriptedDialogs& scriptDialogs(bildertafel::ui::MainWindow& window);

// Shows the window and waits until its start-up has run.
bool startWindow(bildertafel::ui::MainWindow& window);

// A control of the window by its object name; a missing one ends the test program.
template <typename Control>
Control& control(bildertafel::ui::MainWindow& window, const QString& name) {
    auto* found = window.findChild<Control*>(name);
    if (found == nullptr)
        qFatal("control %s missing", qPrintable(name));
    return *found;
}

// The window's lists and labels by their names in the window's description.
DirListBox& dir1(bildertafel::ui::MainWindow& window, int index);
FileListBox& file1(bildertafel::ui::MainWindow& window, int index);
DriveListBox& drive1(bildertafel::ui::MainWindow& window, int index);
QString labelText(bildertafel::ui::MainWindow& window, const QString& name);

// An entry of a context menu as it is offered.
struct MenuEntry {
    QString text;
    bool enabled = false;
    QString toolTip;
};

// Opens the context menu of target as the right mouse button at `at` (the middle where none is
// given) or the context-menu key does, and closes it again; its entries, none where no menu came.
QList<MenuEntry> contextMenuOf(QWidget& target, std::optional<QPoint> at = std::nullopt,
                               bool byKey = false);

} // namespace bildertafel::uitest
