#pragma once

#include "settings/ConfigCommands.h"

#include <QString>

class QLabel;

namespace bildertafel::uilists {
class FileListBox;
} // namespace bildertafel::uilists

namespace bildertafel::ui {

// The window as the surroundings of "Konfiguration Laden" and "Konfiguration Speichern": the
// configuration folder, its file list and the label of the loaded name.
class WindowConfigHost : public settings::ConfigCommandHost {
public:
    WindowConfigHost(QString configFolder, uilists::FileListBox& configList, QLabel& loadedName);

    std::string ConfigFolder() const override;
    std::optional<std::string> selectedConfigName() const override;
    void rereadConfigList() override;
    void showLoadedConfigName(std::string_view name) override;

private:
    QString m_configFolder;
    uilists::FileListBox& m_configList;
    QLabel& m_loadedName;
};

} // namespace bildertafel::ui
