#pragma once

#include "generator/ShowGenerator.h"

#include <functional>

namespace bildertafel::ui {

// The window as the host of a generation run: the busy pointer over the whole program, the
// refresh of its file lists, and a notice when links of the new pages lead nowhere.
class WindowGeneratorHost : public generator::GeneratorHost {
public:
    using SettingsForPages = std::function<std::optional<settings::ShowSettings>(
        const std::string& startPagePath, const settings::ShowSettings& settings)>;

    WindowGeneratorHost(std::function<void()> refreshFileLists,
                        std::function<void(const std::string&)> startPageWritten,
                        SettingsForPages settingsForPages, host::DialogHost& dialogs);
    // A run that left the pointer busy must not leave it so for the rest of the program.
    ~WindowGeneratorHost() override;

    void setBusy(bool on) override;
    void refreshFileLists() override;
    void startPageWritten(const std::string& path) override;
    void reportMissingLinks(const std::vector<links::MissingLink>& links) override;
    std::optional<settings::ShowSettings>
    settingsForPages(const std::string& startPagePath,
                     const settings::ShowSettings& settings) override;

private:
    std::function<void()> m_refreshFileLists;
    std::function<void(const std::string&)> m_startPageWritten;
    SettingsForPages m_settingsForPages;
    host::DialogHost& m_dialogs;
    bool m_busy = false;
};

} // namespace bildertafel::ui
