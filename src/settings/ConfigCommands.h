#pragma once

#include "host/DialogHost.h"
#include "settings/ShowSettings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::settings {

// What the two configuration commands need of their surroundings besides the dialogs.
class ConfigCommandHost {
public:
    virtual ~ConfigCommandHost() = default;

    // The configuration folder, ending in "/".
    virtual std::string ConfigFolder() const = 0;
    // The name selected in the configuration file list, or none.
    virtual std::optional<std::string> selectedConfigName() const = 0;
    // After a file was written: re-read the configuration file list.
    virtual void rereadConfigList() = 0;
    // After a file was read: show its name (without folder) as the last loaded configuration.
    virtual void showLoadedConfigName(std::string_view name) = 0;
};

enum class ConfigOutcome {
    Nothing, // nothing to do: empty answer, or no file selected
    Done,    // written or read
    Failed,  // a German message was shown; settings and files as they were
};

// "Konfiguration Speichern": asks for a name and writes the settings to ConfigFolder + name +
// ".cfg"; writtenPath, when given, receives that path once the file is written.
ConfigOutcome WriteConfigFile(const ShowSettings& settings, ConfigCommandHost& host,
                              host::DialogHost& dialogs, std::string* writtenPath = nullptr);
// "Konfiguration Laden": reads the selected file onto the settings, all or nothing.
ConfigOutcome ReadConfigFile(ShowSettings& settings, ConfigCommandHost& host,
                             host::DialogHost& dialogs);

// Writes the settings to path and tells the user when it failed or which templates will not come
// back as they are. written runs between the two, once the file is there.
ConfigOutcome saveConfigAndTell(const std::string& path, const ShowSettings& settings,
                                host::DialogHost& dialogs,
                                const std::function<void()>& written = {});
// Reads path onto the settings, all or nothing, and tells the user why when it cannot.
ConfigOutcome loadConfigAndTell(const std::string& path, ShowSettings& settings,
                                host::DialogHost& dialogs);

} // namespace bildertafel::settings
