#include "ui/WindowGeneratorHost.h"

#include "ui/WindowDialogs.h"

#include <QApplication>
#include <QCursor>

namespace bildertafel::ui {

WindowGeneratorHost::WindowGeneratorHost(WindowDialogs& dialogs,
                                         std::function<void()> refreshFileLists)
    : WindowDialogHost(dialogs), m_refreshFileLists(std::move(refreshFileLists)) {}

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
