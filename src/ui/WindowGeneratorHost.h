#pragma once

#include "generator/ShowGenerator.h"

#include <functional>

namespace bildertafel {

class WindowDialogs;

// The window as the host of a generation run: its dialogs, the busy pointer over the whole
// program, and the refresh of its file lists.
class WindowGeneratorHost : public GeneratorHost {
public:
    WindowGeneratorHost(WindowDialogs& dialogs, std::function<void()> refreshFileLists);
    // A run that left the pointer busy must not leave it so for the rest of the program.
    ~WindowGeneratorHost() override;

    void showMessage(std::string_view text, std::string_view title) override;
    std::string askText(std::string_view prompt, std::string_view title,
                        std::string_view presetAnswer) override;
    void setBusy(bool on) override;
    void refreshFileLists() override;

private:
    WindowDialogs& m_dialogs;
    std::function<void()> m_refreshFileLists;
    bool m_busy = false;
};

} // namespace bildertafel
