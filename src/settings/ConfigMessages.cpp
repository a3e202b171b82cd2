#include "settings/ConfigMessages.h"

#include "settings/ConfigSections.h"
#include "textfile/SystemReason.h"

namespace bildertafel::settings::configmessages {

namespace {

std::string fileLine(std::string_view path) {
    std::string text = "Die Konfigurationsdatei\n";
    text += path;
    text += '\n';
    return text;
}

} // namespace

std::string cannotWrite(std::string_view path, int error) {
    std::string text = fileLine(path);
    text += "kann nicht gespeichert werden:\n";
    text += textfile::systemReason(error);
    text += "\n\nEine vorhandene Datei dieses Namens bleibt unverändert.";
    return text;
}

std::string cannotRead(std::string_view path, int error) {
    std::string text = fileLine(path);
    text += "kann nicht gelesen werden:\n";
    text += textfile::systemReason(error);
    text += "\n\nDie Einstellungen bleiben unverändert.";
    return text;
}

std::string valueRefused(std::string_view path, std::size_t lineNumber, int section,
                         std::string_view value) {
    const ValueSection& what = valueSection(section);
    std::string text = fileLine(path);
    text += "kann nicht geladen werden.\n\nZeile ";
    text += std::to_string(lineNumber);
    text += " (";
    text += what.note;
    text += ") enthält den Wert\n„";
    text += value;
    text += "“;\nerlaubt sind Werte von ";
    text += std::to_string(what.lowest);
    text += " bis ";
    text += std::to_string(what.highest);
    text += ".\n\nDie Einstellungen bleiben unverändert.";
    return text;
}

std::string templatesChangeOnLoad(std::string_view path, const std::vector<TemplateLoss>& losses) {
    std::string text = fileLine(path);
    text += "wurde gespeichert. Beim Laden kommen diese Vorlagen nicht unverändert zurück:\n";
    for (const TemplateLoss& loss : losses) {
        text += "\n„";
        text += TemplateCaption(loss.id);
        text += "“:";
        if (loss.leadingEmptyLines) {
            text += "\n    Die Leerzeilen am Anfang fallen weg.";
        }
        if (loss.headerLikeLines) {
            text += "\n    Zeilen, die mit „[“ beginnen, gelten als Abschnittsanfang: Sie fallen "
                    "weg, und die Zeilen danach werden einem anderen Abschnitt zugeordnet.";
        }
    }
    return text;
}

} // namespace bildertafel::settings::configmessages
