#include "ui/WindowConfigHost.h"

#include "ui/WindowDialogs.h"
#include "ui/lists/FileListBox.h"

#include <QLabel>

namespace bildertafel {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

WindowConfigHost::WindowConfigHost(QString configFolder, FileListBox& configList,
                                   QLabel& loadedName, WindowDialogs& dialogs)
    : m_configFolder(std::move(configFolder)), m_configList(configList), m_loadedName(loadedName),
      m_dialogs(dialogs) {}

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

void WindowConfigHost::showMessage(std::string_view text, std::string_view title) {
    m_dialogs.showMessage(fromUtf8(text), fromUtf8(title));
}

std::string WindowConfigHost::askText(std::string_view prompt, std::string_view title,
                                      std::string_view presetAnswer) {
    return m_dialogs.askText(fromUtf8(prompt), fromUtf8(title), fromUtf8(presetAnswer))
        .toStdString();
}

} // namespace bildertafel
