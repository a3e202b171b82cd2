#include "ui/window/WindowTexts.h"

namespace bildertafel::ui::texts {

std::string openedNearestAbove(std::string_view reason, std::string_view folder) {
    return std::string(reason) + "\nGeöffnet ist jetzt der nächste vorhandene Ordner darüber: „" +
           std::string(folder) + "“.";
}

} // namespace bildertafel::ui::texts
