#include "ui/window/TableWidthChoice.h"

#include <QComboBox>
#include <QLineEdit>

namespace bildertafel::ui {

namespace {

// Selecting no entry empties the edit field of a combo box; this puts the text back.
void selectNoneKeepingText(QComboBox& choice, const QString& text, int cursor) {
    choice.setCurrentIndex(-1);
    choice.lineEdit()->setText(text);
    choice.lineEdit()->setCursorPosition(cursor);
}

} // namespace

void keepTypedTextAsTyped(QComboBox& choice) {
    choice.setInsertPolicy(QComboBox::NoInsert);
    // Without a completer, typing "3" stays "3" and the box matches entries case-sensitively.
    choice.setCompleter(nullptr);
    QLineEdit* edit = choice.lineEdit();
    QObject::connect(edit, &QLineEdit::textEdited, &choice, [&choice, edit](const QString& text) {
        const int cursor = edit->cursorPosition();
        const int match = choice.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (match >= 0) {
            choice.setCurrentIndex(match);
            edit->setCursorPosition(cursor);
        } else if (choice.currentIndex() >= 0) {
            selectNoneKeepingText(choice, text, cursor);
        }
    });
}

std::int16_t tableWidthIndex(const QComboBox& choice) {
    const int index = choice.currentIndex();
    // An index whose entry is no longer what the field shows counts as no selection.
    if (index < 0 || choice.itemText(index) != choice.currentText()) {
        return -1;
    }
    return static_cast<std::int16_t>(index);
}

std::string tableWidthText(const QComboBox& choice) {
    return choice.currentText().toStdString();
}

void showTableWidth(QComboBox& choice, int index, const std::string& text) {
    if (index >= 0 && index < choice.count()) {
        choice.setCurrentIndex(index);
        return;
    }
    const QString shown = QString::fromStdString(text);
    selectNoneKeepingText(choice, shown, static_cast<int>(shown.size()));
}

} // namespace bildertafel::ui
