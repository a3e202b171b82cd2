#pragma once

#include "ui/WindowDialogs.h"

#include <QString>

#include <string>
#include <string_view>

namespace bildertafel::ui {

// Answers a command's requests for a message box or a typed text with the window's dialogs.
template <typename Host>
class WindowDialogHost : public Host {
public:
    explicit WindowDialogHost(WindowDialogs& dialogs) : m_dialogs(dialogs) {}

    void showMessage(std::string_view text, std::string_view title) override {
        m_dialogs.showMessage(fromUtf8(text), fromUtf8(title));
    }
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override {
        return m_dialogs.askText(fromUtf8(prompt), fromUtf8(title), fromUtf8(presetAnswer))
            .toStdString();
    }

protected:
    static QString fromUtf8(std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

private:
    WindowDialogs& m_dialogs;
};

} // namespace bildertafel::ui
