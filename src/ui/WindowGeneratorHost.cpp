#include "ui/WindowGeneratorHost.h"

#include <QApplication>
#include <QCursor>

namespace bildertafel::ui {

WindowGeneratorHost::WindowGeneratorHost(std::function<void()> refreshFileLists)
    : m_refreshFileLists(std::move(refreshFileLists)) {}

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

} // namespace bildertafel::ui
