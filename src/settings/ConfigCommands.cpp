#include "settings/ConfigCommands.h"

#include "host/CommonTexts.h"
#include "settings/ConfigFile.h"
#include "settings/ConfigMessages.h"

namespace bildertafel::settings {

using host::FileNamePrompt;
using host::InvalidFileName;
using host::isUsableFileName;

ConfigOutcome WriteConfigFile(const ShowSettings& settings, ConfigCommandHost& host,
                              host::DialogHost& dialogs, std::string* writtenPath) {
    namespace msg = configmessages;
    const std::string answer = dialogs.askText(FileNamePrompt, msg::SaveTitle, msg::NamePreset);
    if (answer.empty()) {
        return ConfigOutcome::Nothing;
    }
    if (!isUsableFileName(answer)) {
        dialogs.showMessage(InvalidFileName, msg::SaveTitle);
        return ConfigOutcome::Failed;
    }
    const std::string path = host.ConfigFolder() + answer + ".cfg";
    return saveConfigAndTell(path, settings, dialogs, [&host, &path, writtenPath] {
        if (writtenPath != nullptr) {
            *writtenPath = path;
        }
        host.rereadConfigList();
    });
}

ConfigOutcome ReadConfigFile(ShowSettings& settings, ConfigCommandHost& host,
                             host::DialogHost& dialogs) {
    const std::optional<std::string> name = host.selectedConfigName();
    if (!name || name->empty()) {
        return ConfigOutcome::Nothing;
    }
    const ConfigOutcome outcome = loadConfigAndTell(host.ConfigFolder() + *name, settings, dialogs);
    if (outcome == ConfigOutcome::Done) {
        host.showLoadedConfigName(*name);
    }
    return outcome;
}

ConfigOutcome saveConfigAndTell(const std::string& path, const ShowSettings& settings,
                                host::DialogHost& dialogs, const std::function<void()>& written) {
    const ConfigFileResult result = saveConfigFile(path, settings);
    if (!result.ok()) {
        dialogs.showMessage(result.message, configmessages::SaveTitle);
        return ConfigOutcome::Failed;
    }
    if (written) {
        written();
    }
    // The file is written as it always is; the user learns what will not come back.
    const auto losses = templatesChangedByReload(settings);
    if (!losses.empty()) {
        dialogs.showMessage(configmessages::templatesChangeOnLoad(path, losses),
                            configmessages::SaveTitle);
    }
    return ConfigOutcome::Done;
}

ConfigOutcome loadConfigAndTell(const std::string& path, ShowSettings& settings,
                                host::DialogHost& dialogs) {
    const ConfigFileResult result = loadConfigFile(path, settings);
    if (!result.ok()) {
        dialogs.showMessage(result.message, configmessages::LoadTitle);
        return ConfigOutcome::Failed;
    }
    return ConfigOutcome::Done;
}

} // namespace bildertafel::settings
