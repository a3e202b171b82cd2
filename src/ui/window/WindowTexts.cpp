#include "ui/window/WindowTexts.h"

namespace bildertafel::ui::texts {

std::string openedNearestAbove(std::string_view reason, std::string_view folder) {
    return std::string(reason) + "\nGeöffnet ist jetzt der nächste vorhandene Ordner darüber: „" +
           std::string(folder) + "“.";
}

std::string otherTemplatesQuestion(std::string_view shown) {
    if (shown.empty()) {
        return "Die Seiten dieser Fotoshow wurden zuletzt mit anderen Vorlagen erstellt, als jetzt "
               "gelten.";
    }
    return "Die Seiten dieser Fotoshow wurden zuletzt mit der Vorlage „" + std::string(shown) +
           "“ erstellt; jetzt gelten andere Vorlagen.";
}

std::string loadTemplateButton(std::string_view shown) {
    if (shown.empty()) {
        return "Ihre Vorlagen laden";
    }
    return "Vorlage „" + std::string(shown) + "“ laden";
}

std::string loadedTemplatesDiffer(std::string_view shown, bool pagesKept) {
    std::string text = "Die Vorlage „" + std::string(shown) +
                       "“ ist geladen. Die Seiten dieser Fotoshow wurden aber mit Änderungen an "
                       "ihr erstellt, die nicht gespeichert wurden.";
    if (pagesKept) {
        text += " Die Seiten bleiben, wie sie sind; „HTML erstellen“ schreibt sie mit der "
                "geladenen Vorlage neu.";
    }
    return text;
}

} // namespace bildertafel::ui::texts
