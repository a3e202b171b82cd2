#include "ui/selection/SelectionSettings.h"

#include "selection/MailAddress.h"
#include "ui/common/UserSettings.h"

#include <QSettings>

namespace bildertafel::ui {

namespace {

QString groupOf(const std::string& showFolder) {
    return showGroup(QStringLiteral("Auswahl"), showFolder);
}

} // namespace

SelectionSettings rememberedSelection(const std::string& showFolder) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(groupOf(showFolder));
    const int zip = settings.value(QStringLiteral("zip"), 0).toInt();
    return {settings.value(QStringLiteral("allowed"), false).toBool(),
            settings.value(QStringLiteral("mailAddress")).toString(),
            settings.value(QStringLiteral("note")).toString(),
            zip == 1   ? generator::ZipChoice::Pictures
            : zip == 2 ? generator::ZipChoice::Large
                       : generator::ZipChoice::Off};
}

void rememberSelection(const std::string& showFolder, const SelectionSettings& chosen) {
    QSettings settings(userSettingsName(), userSettingsName());
    settings.beginGroup(groupOf(showFolder));
    settings.setValue(QStringLiteral("allowed"), chosen.allowed);
    settings.setValue(QStringLiteral("mailAddress"), chosen.mailAddress);
    settings.setValue(QStringLiteral("note"), chosen.note);
    settings.setValue(QStringLiteral("zip"), static_cast<int>(chosen.zip));
}

std::optional<generator::SelectionChoice> selectionForPages(const std::string& showFolder) {
    const SelectionSettings chosen = rememberedSelection(showFolder);
    const std::string address = chosen.mailAddress.toStdString();
    if (!chosen.allowed || !selection::isMailAddress(address)) {
        return std::nullopt;
    }
    return generator::SelectionChoice{address, chosen.note.toStdString()};
}

} // namespace bildertafel::ui
