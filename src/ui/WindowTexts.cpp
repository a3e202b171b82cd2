#include "ui/WindowTexts.h"

namespace bildertafel::ui::texts {

std::string browserNotStarted(std::string_view page) {
    return "Es konnte kein Browser gestartet werden. Die Startseite lässt sich von Hand im "
           "Browser öffnen:\n" +
           std::string(page);
}

} // namespace bildertafel::ui::texts
