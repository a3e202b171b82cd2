#include "ui/window/WindowGeneratorHost.h"

#include <QApplication>
#include <QCursor>

namespace bildertafel::ui {

WindowGeneratorHost::WindowGeneratorHost(std::function<void()> refreshFileLists,
                                         std::function<void(const std::string&)> startPageWritten,
                                         SettingsForPages settingsForPages,
                                         host::DialogHost& dialogs)
    : m_refreshFileLists(std::move(refreshFileLists)),
      m_startPageWritten(std::move(startPageWritten)),
      m_settingsForPages(std::move(settingsForPages)), m_dialogs(dialogs) {}

WindowGeneratorHost::~WindowGeneratorHost() {
    setBusy(false);
}

void WindowGeneratorHost::setBusy(bool on) {
    if (on == m_busy)
        return;
    m_busy = on;
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    else
        QApplication::restoreOverrideCursor();
}

void WindowGeneratorHost::refreshFileLists() {
    m_refreshFileLists();
}

void WindowGeneratorHost::startPageWritten(const std::string& path) {
    m_startPageWritten(path);
}

void WindowGeneratorHost::reportMissingLinks(const std::vector<links::MissingLink>& links) {
    m_dialogs.showMessage(links::missingLinksNotice(links), links::MissingLinksTitle);
}

std::optional<settings::ShowSettings>
WindowGeneratorHost::settingsForPages(const std::string& startPagePath,
                                      const settings::ShowSettings& settings) {
    return m_settingsForPages(startPagePath, settings);
}

} // namespace bildertafel::ui
