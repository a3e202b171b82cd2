#include "selection/SelectionTexts.h"

#include "textfile/SystemReason.h"

namespace bildertafel::selection::texts {

namespace {

std::string withReason(std::string sentence, int error) {
    if (error != 0) {
        sentence += ": " + textfile::systemReason(error);
    }
    return sentence + '.';
}

std::string pictures(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

} // namespace

std::string copyFailureText(const CopyFailure& failure) {
    const std::string& path = failure.path;
    switch (failure.kind) {
    case CopyFailureKind::TargetNotCreated:
        return withReason("Der Ordner „" + path + "“ kann nicht angelegt werden", failure.error);
    case CopyFailureKind::TargetNotEmpty:
        return "Der Ordner „" + path +
               "“ enthält schon Dateien. Bitte einen neuen oder leeren Ordner wählen.";
    case CopyFailureKind::TargetNotFolder:
        return "„" + path + "“ ist kein Ordner. Bitte einen neuen oder leeren Ordner wählen.";
    case CopyFailureKind::SourceUnreadable:
        return failure.error == 0
                   ? "„" + path + "“ ist keine gewöhnliche Datei und wird nicht kopiert."
                   : withReason("„" + path + "“ kann nicht gelesen werden", failure.error);
    case CopyFailureKind::WriteFailed:
        return withReason("„" + path + "“ kann nicht geschrieben werden", failure.error);
    case CopyFailureKind::Cancelled:
        return "Abgebrochen: die Dateien vor „" + path + "“ sind kopiert.";
    }
    return {};
}

std::string copiedText(std::size_t files, bool originals, const std::string& targetFolder) {
    return (originals ? pictures(files, "Original", "Originale")
                      : pictures(files, "Bild im Großformat", "Bilder im Großformat")) +
           " kopiert nach „" + targetFolder + "“.";
}

std::string noOriginalsText(const std::string& pictureFolder) {
    return "Kein Ordner der Originale bekannt: kopiert werden die Bilder im Großformat aus „" +
           pictureFolder + "“.";
}

std::string unknownText(const SelectionAnswer& answer) {
    std::string text;
    for (const std::string& name : answer.unknown) {
        text += "Warnung: „" + name + "“ ist kein Bild der Show.\n";
    }
    if (answer.unknownCount > answer.unknown.size()) {
        text += "Warnung: und " + std::to_string(answer.unknownCount - answer.unknown.size()) +
                " weitere Namen, die kein Bild der Show sind.\n";
    }
    return text;
}

std::string missingText(const std::vector<std::string>& names, const std::string& folder) {
    std::string text;
    for (const std::string& name : names) {
        text += "Warnung: Zu „" + name + "“ gibt es in „" + folder + "“ keine Datei.\n";
    }
    return text;
}

std::string nothingChosenText() {
    return "Der Text nennt kein Bild der Show. Bitte die ganze Mail oder die Zeile „Auswahl "
           "wieder öffnen: …“ einfügen.";
}

} // namespace bildertafel::selection::texts
