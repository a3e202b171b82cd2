#pragma once

#include "host/DialogHost.h"

#include <QLineEdit>
#include <QStringList>

#include <functional>
#include <memory>

class QInputDialog;
class QString;
class QWidget;

namespace bildertafel::ui {

// The toolkit's own message box and input dialog, modal over the parent window. Tests give the
// window scripted dialogs instead.
class StandardDialogs : public host::DialogHost {
public:
    explicit StandardDialogs(QWidget* parent) : m_parent(parent) {}

    void showMessage(std::string_view text, std::string_view title) override;
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override;

private:
    QWidget* m_parent;
};

// A one-line input dialog whose prompt wraps at a width fit for reading, however long it is.
std::unique_ptr<QInputDialog> makeInputDialog(QWidget* parent, const QString& title,
                                              const QString& prompt,
                                              QLineEdit::EchoMode echo = QLineEdit::Normal);

// What the user chose when a dialog closes with changes not kept yet.
enum class UnsavedAnswer { Keep, Discard, Stay };

// Asks it over the dialog, with its title: the first button keeps the changes (the default), the
// second drops them, the third stays in the dialog.
UnsavedAnswer askUnsaved(QWidget& dialog, const QString& question, const QString& keep,
                         const QString& discard, const QString& stay);

// A question with a button for each answer, the first the default, the last the one of Escape
// and of closing the box: the position of the answer chosen.
int askChoice(QWidget* parent, const QString& title, const QString& question,
              const QStringList& answers);

// Tests answer askChoice from a script: the answerer gets what the box would show. Empty: the
// box is shown.
using ChoiceAnswerer =
    std::function<int(const QString& title, const QString& question, const QStringList& answers)>;
void setChoiceAnswerer(ChoiceAnswerer answerer);

} // namespace bildertafel::ui
