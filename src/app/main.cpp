#include "ui/common/ApplicationStyle.h"
#include "ui/common/GermanTexts.h"
#include "ui/window/DisplayCheck.h"
#include "ui/window/MainWindow.h"

#include <QApplication>

#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    // The toolkit aborts with a terse note when it finds no display; say it plainly instead.
    const std::string noDisplay = bildertafel::ui::missingDisplayMessage();
    if (!noDisplay.empty()) {
        std::fputs(noDisplay.c_str(), stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.bildertafel.Bildertafel"));
    bildertafel::ui::useApplicationStyle();
    if (!bildertafel::ui::useGermanTexts(app)) {
        std::fputs("Die deutsche Übersetzung von Qt fehlt (Paket qt6-translations-l10n); "
                   "die Dialoge des Toolkits erscheinen englisch.\n",
                   stderr);
    }
    bildertafel::ui::MainWindow window;
    window.show();
    return QApplication::exec();
}
