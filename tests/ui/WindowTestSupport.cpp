#include "WindowTestSupport.h"

#include "ui/common/ApplicationStyle.h"
#include "ui/common/QtText.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <memory>

namespace bildertafel::uitest {

using ui::fromUtf8;
using ui::MainWindow;

void ScriptedDialogs::showMessage(std::string_view text, std::string_view title) {
    messages.append({fromUtf8(text), fromUtf8(title)});
}

std::string ScriptedDialogs::askText(std::string_view prompt, std::string_view title,
                                     std::string_view presetAnswer) {
    questions.append({fromUtf8(prompt), fromUtf8(title), fromUtf8(presetAnswer)});
    return answers.isEmpty() ? std::string() : answers.takeFirst().toStdString();
}

ScriptedDialogs& scriptDialogs(MainWindow& window) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& reference = *dialogs;
    window.setDialogs(std::move(dialogs));
    return reference;
}

QString prepareWindowTests() {
    QStandardPaths::setTestModeEnabled(true);
    bildertafel::ui::useApplicationStyle();
    return QDir::currentPath();
}

bool startWindow(MainWindow& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    return QTest::qWaitFor([&window] { return !window.showFolders()[0].isEmpty(); });
}

DirListBox& dir1(MainWindow& window, int index) {
    return control<DirListBox>(window, QStringLiteral("Dir1_%1").arg(index));
}
FileListBox& file1(MainWindow& window, int index) {
    return control<FileListBox>(window, QStringLiteral("File1_%1").arg(index));
}
DriveListBox& drive1(MainWindow& window, int index) {
    return control<DriveListBox>(window, QStringLiteral("Drive1_%1").arg(index));
}
QString labelText(MainWindow& window, const QString& name) {
    return control<QLabel>(window, name).text();
}

QList<MenuEntry> contextMenuOf(QWidget& target, std::optional<QPoint> at, bool byKey) {
    QList<MenuEntry> entries;
    QTimer::singleShot(0, [&entries] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions())
                entries.append({action->text(), action->isEnabled(), action->toolTip()});
            menu->close();
        }
    });
    const QPoint where = at.value_or(target.rect().center());
    QContextMenuEvent request(byKey ? QContextMenuEvent::Keyboard : QContextMenuEvent::Mouse, where,
                              target.mapToGlobal(where));
    QApplication::sendEvent(&target, &request);
    return entries;
}

} // namespace bildertafel::uitest
