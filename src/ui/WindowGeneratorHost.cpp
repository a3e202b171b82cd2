#include "ui/WindowGeneratorHost.h"

#include "ui/WindowDialogs.h"

#include <QApplication>
#include <QCursor>

namespace bildertafel {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

WindowGeneratorHost::WindowGeneratorHost(WindowDialogs& dialogs,
                                         std::function<void()> refreshFileLists)
    : m_dialogs(dialogs), m_refreshFileLists(std::move(refreshFileLists)) {}

WindowGeneratorHost::~WindowGeneratorHost() {
    setBusy(false);
}

void WindowGeneratorHost::showMessage(std::string_view text, std::string_view title) {
    m_dialogs.showMessage(fromUtf8(text), fromUtf8(title));
}

std::string WindowGeneratorHost::askText(std::string_view prompt, std::string_view title,
                                         std::string_view presetAnswer) {
    return m_dialogs.askText(fromUtf8(prompt), fromUtf8(title), fromUtf8(presetAnswer))
        .toStdString();
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

} // namespace bildertafel
