#include "ui/window/WindowConfigHost.h"

#include "ui/lists/FileListBox.h"
#include "ui/lists/FileNames.h"

#include <QLabel>

namespace bildertafel::ui {

WindowConfigHost::WindowConfigHost(QString configFolder, uilists::FileListBox& configList,
                                   QLabel& loadedName)
    : m_configFolder(std::move(configFolder)), m_configList(configList), m_loadedName(loadedName) {}

std::string WindowConfigHost::ConfigFolder() const {
    return uilists::toFileName(m_configFolder);
}

std::optional<std::string> WindowConfigHost::selectedConfigName() const {
    std::string name = m_configList.fileNameAt(m_configList.selectedIndex());
    if (name.empty())
        return std::nullopt;
    return name;
}

void WindowConfigHost::rereadConfigList() {
    m_configList.reread();
}

void WindowConfigHost::showLoadedConfigName(std::string_view name) {
    // A long name is shortened to the label's width; the tooltip holds it whole.
    const QString shown = uilists::fromFileName(name);
    m_loadedName.setText(
        m_loadedName.fontMetrics().elidedText(shown, Qt::ElideRight, m_loadedName.width()));
    m_loadedName.setToolTip(shown);
}

} // namespace bildertafel::ui
