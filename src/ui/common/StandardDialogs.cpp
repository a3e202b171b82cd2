#include "ui/common/StandardDialogs.h"

#include "ui/common/QtText.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace bildertafel::ui {

namespace {

ChoiceAnswerer& choiceAnswerer() {
    static ChoiceAnswerer answerer;
    return answerer;
}

} // namespace

void StandardDialogs::showMessage(std::string_view text, std::string_view title) {
    QMessageBox box(QMessageBox::NoIcon, fromUtf8(title), fromUtf8(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

std::string StandardDialogs::askText(std::string_view prompt, std::string_view title,
                                     std::string_view presetAnswer) {
    const std::unique_ptr<QInputDialog> dialog =
        makeInputDialog(m_parent, fromUtf8(title), fromUtf8(prompt));
    dialog->setTextValue(fromUtf8(presetAnswer));
    return dialog->exec() == QDialog::Accepted ? dialog->textValue().toStdString() : std::string();
}

std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& title,
                                              const QString& prompt, QLineEdit::EchoMode echo) {
    auto dialog = std::make_unique<QInputDialog>(parent);
    dialog->setWindowTitle(title);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextEchoMode(echo);
    dialog->setLabelText(prompt);
    // The label takes the width of its text in one line otherwise: a long question, a path in
    // it, would make the dialog as wide as the screen.
    if (auto* label = dialog->findChild<QLabel*>()) {
        label->setWordWrap(true);
    }
    return dialog;
}

UnsavedAnswer askUnsaved(QWidget& dialog, const QString& question, const QString& keep,
                         const QString& discard, const QString& stay) {
    QMessageBox box(QMessageBox::Question, dialog.windowTitle(), question, QMessageBox::NoButton,
                    &dialog);
    QPushButton* keepButton = box.addButton(keep, QMessageBox::AcceptRole);
    QPushButton* discardButton = box.addButton(discard, QMessageBox::DestructiveRole);
    box.addButton(stay, QMessageBox::RejectRole);
    box.setDefaultButton(keepButton);
    box.exec();
    return box.clickedButton() == keepButton      ? UnsavedAnswer::Keep
           : box.clickedButton() == discardButton ? UnsavedAnswer::Discard
                                                  : UnsavedAnswer::Stay;
}

int askChoice(QWidget* parent, const QString& title, const QString& question,
              const QStringList& answers) {
    if (answers.isEmpty()) {
        return -1;
    }
    if (const ChoiceAnswerer& answerer = choiceAnswerer()) {
        return answerer(title, question, answers);
    }
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::NoButton, parent);
    QList<QPushButton*> buttons;
    for (const QString& answer : answers) {
        buttons << box.addButton(answer, buttons.size() + 1 == answers.size()
                                             ? QMessageBox::RejectRole
                                             : QMessageBox::AcceptRole);
    }
    box.setDefaultButton(buttons.constFirst());
    box.setEscapeButton(buttons.constLast());
    box.exec();
    const auto chosen = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen < 0 ? static_cast<int>(answers.size()) - 1 : static_cast<int>(chosen);
}

void setChoiceAnswerer(ChoiceAnswerer answerer) {
    choiceAnswerer() = std::move(answerer);
}

} // namespace bildertafel::ui
