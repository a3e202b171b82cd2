#pragma once

#include "dialogs/DialogHost.h"

class QWidget;

namespace bildertafel::ui {

// The toolkit's own message box and input dialog, modal over the parent window. Tests give the
// window scripted dialogs instead.
class StandardDialogs : public dialogs::DialogHost {
public:
    explicit StandardDialogs(QWidget* parent) : m_parent(parent) {}

    void showMessage(std::string_view text, std::string_view title) override;
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace bildertafel::ui
