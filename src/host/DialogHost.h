#pragma once

#include <string>
#include <string_view>

namespace bildertafel::host {

// What the commands need to talk to the user: the window supplies real dialogs, the batch
// command and the tests supply their own.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // A message box with one OK button and no icon; returns when it is closed.
    virtual void showMessage(std::string_view text, std::string_view title) = 0;
    // A one-line input dialog with OK and Cancel; Cancel gives the empty text.
    virtual std::string askText(std::string_view prompt, std::string_view title,
                                std::string_view presetAnswer) = 0;
};

} // namespace bildertafel::host
