#include "ui/WindowTexts.h"

namespace bildertafel::ui::texts {

std::string browserNotStarted(std::string_view page) {
    return "Es konnte kein Browser gestartet werden. Die Startseite lässt sich von Hand im "
           "Browser öffnen:\n" +
           std::string(page);
}

std::string openedNearestAbove(std::string_view reason, std::string_view folder) {
    return std::string(reason) + "\nGeöffnet ist jetzt der nächste vorhandene Ordner darüber: „" +
           std::string(folder) + "“.";
}

} // namespace bildertafel::ui::texts
