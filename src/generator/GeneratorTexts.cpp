#include "generator/GeneratorTexts.h"

namespace bildertafel::generator::texts {

std::string pictureTakesAllPageName(std::string_view picture, std::string_view allPageBase) {
    return "Die eigene HTML-Datei des Bildes " + std::string(picture) +
           " hätte denselben Namen wie die HTML-Datei mit allen Bildern (" +
           std::string(allPageBase) + ".html)...";
}

std::string picturesShareAPageName(std::string_view first, std::string_view second,
                                   std::string_view pageBase) {
    return "Die eigenen HTML-Dateien der Bilder " + std::string(first) + " und " +
           std::string(second) + " hätten denselben Namen (" + std::string(pageBase) + ".html)...";
}

std::string pageNotWritten(std::string_view path, std::string_view reason) {
    return "Die Datei " + std::string(path) +
           " konnte nicht geschrieben werden: " + std::string(reason);
}

std::string previewFolderNotMade(std::string_view parent, std::string_view reason) {
    return "Für die Vorschau lässt sich im Ordner „" + std::string(parent) +
           "“ kein Ordner anlegen: " + std::string(reason) + ". Die Fotoshow bleibt unverändert.";
}

std::string previewPartNotMade(std::string_view path, std::string_view reason) {
    return "Für die Vorschau lässt sich „" + std::string(path) +
           "“ nicht anlegen: " + std::string(reason) + ". Die Fotoshow bleibt unverändert.";
}

std::string showFolderNotReadForPreview(std::string_view folder, std::string_view reason) {
    return "Der Ordner „" + std::string(folder) +
           "“ der Fotoshow lässt sich für die Vorschau nicht lesen: " + std::string(reason) + ".";
}

} // namespace bildertafel::generator::texts
