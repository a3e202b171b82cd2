#include "settings/ConfigCommands.h"

#include "settings/ConfigFile.h"
#include "settings/ConfigMessages.h"

namespace bildertafel::settings {

namespace {

// The name becomes part of a path: a folder separator would write elsewhere, a NUL would cut it.
bool isUsableName(std::string_view name) {
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

} // namespace

ConfigOutcome WriteConfigFile(const ShowSettings& settings, ConfigCommandHost& host) {
    namespace msg = configmessages;
    const std::string answer = host.askText(msg::NamePrompt, msg::SaveTitle, msg::NamePreset);
    if (answer.empty()) {
        return ConfigOutcome::Nothing;
    }
    if (!isUsableName(answer)) {
        host.showMessage(msg::InvalidName, msg::SaveTitle);
        return ConfigOutcome::Failed;
    }

    const std::string path = host.ConfigFolder() + answer + ".cfg";
    const ConfigFileResult result = saveConfigFile(path, settings);
    if (!result.ok()) {
        host.showMessage(result.message, msg::SaveTitle);
        return ConfigOutcome::Failed;
    }
    host.rereadConfigList();

    // The file is written as it always is; the user learns what will not come back.
    const auto losses = templatesChangedByReload(settings);
    if (!losses.empty()) {
        host.showMessage(msg::templatesChangeOnLoad(path, losses), msg::SaveTitle);
    }
    return ConfigOutcome::Done;
}

ConfigOutcome ReadConfigFile(ShowSettings& settings, ConfigCommandHost& host) {
    const std::optional<std::string> name = host.selectedConfigName();
    if (!name || name->empty()) {
        return ConfigOutcome::Nothing;
    }
    const ConfigFileResult result = loadConfigFile(host.ConfigFolder() + *name, settings);
    if (!result.ok()) {
        host.showMessage(result.message, configmessages::LoadTitle);
        return ConfigOutcome::Failed;
    }
    host.showLoadedConfigName(*name);
    return ConfigOutcome::Done;
}

} // namespace bildertafel::settings
