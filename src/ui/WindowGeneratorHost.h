#pragma once

#include "generator/ShowGenerator.h"

#include <functional>

namespace bildertafel::ui {

// The window as the host of a generation run: its dialogs, the busy pointer over the whole
// program, and the refresh of its file lists.
class WindowGeneratorHost : public generator::GeneratorHost {
public:
    explicit WindowGeneratorHost(std::function<void()> refreshFileLists);
    // A run that left the pointer busy must not leave it so for the rest of the program.
    ~WindowGeneratorHost() override;

    void setBusy(bool on) override;
    void refreshFileLists() override;

private:
    std::function<void()> m_refreshFileLists;
    bool m_busy = false;
};

} // namespace bildertafel::ui
