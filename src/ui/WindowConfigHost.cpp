#include "ui/WindowConfigHost.h"

#include "ui/QtText.h"
#include "ui/lists/FileListBox.h"

#include <QLabel>

namespace bildertafel::ui {

WindowConfigHost::WindowConfigHost(QString configFolder, uilists::FileListBox& configList,
                                   QLabel& loadedName)
    : m_configFolder(std::move(configFolder)), m_configList(configList), m_loadedName(loadedName) {}

std::string WindowConfigHost::ConfigFolder() const {
    return m_configFolder.toStdString();
}

std::optional<std::string> WindowConfigHost::selectedConfigName() const {
    const QString name = m_configList.selectedName();
    if (name.isEmpty())
        return std::nullopt;
    return name.toStdString();
}

void WindowConfigHost::rereadConfigList() {
    m_configList.reread();
}

void WindowConfigHost::showLoadedConfigName(std::string_view name) {
    m_loadedName.setText(fromUtf8(name));
}

} // namespace bildertafel::ui
