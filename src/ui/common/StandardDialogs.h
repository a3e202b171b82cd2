#pragma once

#include "host/DialogHost.h"

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

// What the user chose when a dialog closes with changes not kept yet.
enum class UnsavedAnswer { Keep, Discard, Stay };

// Asks it over the dialog, with its title: the first button keeps the changes (the default), the
// second drops them, the third stays in the dialog.
UnsavedAnswer askUnsaved(QWidget& dialog, const QString& question, const QString& keep,
                         const QString& discard, const QString& stay);

} // namespace bildertafel::ui
