#include "imaging/PreparationTexts.h"

#include "imaging/Preparation.h"
#include "textfile/SystemReason.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace bildertafel::imaging {
namespace {

// The skipped originals and failed targets listed by name in a summary; the rest are counted.
constexpr std::size_t ListedInSummary = 20;

std::string quoted(std::string_view text) {
    return "„" + std::string(text) + "“";
}

std::string counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

template <typename Entry, typename Label>
void appendList(std::string& text, std::string_view heading, const std::vector<Entry>& entries,
                Label label) {
    if (entries.empty()) {
        return;
    }
    text += '\n';
    text += heading;
    for (std::size_t i = 0; i < entries.size() && i < ListedInSummary; ++i) {
        text += '\n';
        text += label(entries[i]);
        text += ": ";
        text += entries[i].reason;
    }
    if (entries.size() > ListedInSummary) {
        text += "\n… und " + std::to_string(entries.size() - ListedInSummary) + " weitere";
    }
}

} // namespace

namespace texts {

using textfile::systemReason;

namespace {

std::string outOfRange(std::string_view what, int size) {
    return std::string(what) + " ist " + std::to_string(size) +
           "; erlaubt sind 0 (keine erstellen) oder " + std::to_string(SmallestSize) + " bis " +
           std::to_string(LargestSize) + " Pixel.";
}

} // namespace

std::string sizeOutOfRange(bool pictures, int size) {
    return outOfRange(pictures ? "Die Größe der Bilder im Großformat" : "Die Größe der Mini-Bilder",
                      size);
}

std::string largeSizeOutOfRange(int size) {
    return outOfRange("Die Größe der großen Bilder", size);
}

std::string qualityOutOfRange(int quality) {
    return "Die JPEG-Qualität ist " + std::to_string(quality) + "; erlaubt sind 1 bis 100.";
}

std::string nothingToMake() {
    return "Es ist nichts zu tun: Die Größen der Bilder im Großformat und der Mini-Bilder sind "
           "beide 0.";
}

std::string nothingToMakeInPictureFolder() {
    return "Es ist nichts zu tun: Die Originale liegen im Ordner der Bilder im Großformat, und die "
           "Größe der Mini-Bilder ist 0.";
}

std::string folderMissing(bool originals, bool pictures) {
    const char* which = originals  ? "der Originale"
                        : pictures ? "der Bilder im Großformat"
                                   : "der Mini-Bilder";
    return std::string("Der Ordner ") + which + " ist nicht angegeben.";
}

std::string originalsAreThumbFolder(std::string_view folder) {
    return "Der Ordner der Originale ist zugleich der Ordner der Mini-Bilder (" +
           std::string(folder) +
           "). In den Ordner der Originale wird nie geschrieben; bitte einen anderen Ordner für "
           "die Mini-Bilder wählen.";
}

std::string picturesAndThumbsShareFolder(std::string_view folder) {
    return "Die Bilder im Großformat und die Mini-Bilder kämen in denselben Ordner (" +
           std::string(folder) +
           ") und würden einander überschreiben. Bitte zwei verschiedene Ordner wählen.";
}

std::string originalsNotListed(std::string_view folder, int error) {
    return "Der Ordner der Originale " + quoted(folder) +
           " kann nicht gelesen werden: " + systemReason(error) + ".";
}

std::string targetNameClashes() {
    return "Es wurde nichts erstellt, denn diese Originale ergäben Bilder gleichen Namens. Bitte "
           "jeweils eines davon umbenennen:";
}

std::string clashLine(std::string_view first, std::string_view second, std::string_view target) {
    return quoted(first) + " und " + quoted(second) + " ergäben beide " + quoted(target);
}

std::string folderNotCreated(std::string_view folder, int error) {
    std::string text = "Der Ordner " + quoted(folder) +
                       " kann nicht angelegt werden: " + systemReason(error) + ".";
    if (refusesEveryTarget(error)) {
        text += " Der Ordner der Fotoshow liegt wohl auf einem schreibgeschützten Datenträger, "
                "etwa einer Speicherkarte: Wählen Sie einen Ordner der Fotoshow anderswo, oder "
                "kopieren Sie die Bilder zuerst auf diesen Computer.";
    }
    return text;
}

std::string folderNotWritable(std::string_view folder, int error) {
    return "In den Ordner " + quoted(folder) + " kann nicht geschrieben werden (" +
           systemReason(error) +
           "); es wurde abgebrochen. Wählen Sie einen Ordner der Fotoshow, in den Sie schreiben "
           "dürfen.";
}

std::string libraryNotStarted() {
    return "Die Bildbearbeitung kann nicht gestartet werden; es wurde nichts erstellt.";
}

std::string onlyJpgInPictureFolder() {
    return "Im Ordner der Bilder im Großformat werden nur .jpg-Bilder verwendet.";
}

std::string originalUnreadable(int error) {
    return "Die Datei kann nicht gelesen werden: " + systemReason(error) + ".";
}

std::string notAFile(unsigned mode) {
    const char* what = S_ISDIR(mode)                    ? "ein Ordner"
                       : S_ISFIFO(mode)                 ? "eine benannte Pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "ein Gerät"
                       : S_ISSOCK(mode)                 ? "ein Socket"
                                                        : "keine gewöhnliche Datei";
    return std::string("Das ist ") + what + ", keine Bilddatei.";
}

std::string tooLargeForMemory(int width, int height, unsigned long long needed,
                              unsigned long long budget) {
    constexpr unsigned long long MiB = 1024ULL * 1024ULL;
    return "Das Bild bräuchte mit " + std::to_string(width) + " × " + std::to_string(height) +
           " Pixeln zum Lesen etwa " + std::to_string((needed + MiB - 1) / MiB) +
           " MiB Arbeitsspeicher; erlaubt sind " + std::to_string(budget / MiB) + " MiB.";
}

std::string originalEmpty() {
    return "Die Datei ist leer.";
}

std::string notAPicture() {
    return "Die Datei ist kein Bild oder hat ein unbekanntes Format.";
}

std::string pictureDamaged() {
    return "Das Bild ist beschädigt oder unvollständig.";
}

std::string pictureTooLarge(int width, int height) {
    return "Das Bild ist mit " + std::to_string(width) + " × " + std::to_string(height) +
           " Pixeln größer als " + std::to_string(MostPixels / 1'000'000) + " Megapixel.";
}

std::string unexpectedFailure() {
    return "Das Bild konnte wegen eines unerwarteten Fehlers nicht verarbeitet werden.";
}

std::string pictureCrashedProgram() {
    return "das Bild ließ das Bildprogramm abstürzen";
}

std::string programCrashed(const std::vector<std::string>& workingOn) {
    std::string text = "Das Bildprogramm ist unerwartet beendet worden";
    for (std::size_t i = 0; i < workingOn.size(); ++i) {
        text += i == 0 ? ", bei der Arbeit an " : i + 1 == workingOn.size() ? " und " : ", ";
        text += quoted(workingOn[i]);
    }
    text += workingOn.empty()       ? "."
            : workingOn.size() == 1 ? "; dieses Original wird übersprungen."
                                    : "; diese Originale werden übersprungen.";
    return text + " Die fertigen Bilder bleiben. „Weitermachen“ bearbeitet die übrigen Originale.";
}

std::string programNotStarted(std::string_view program, bool exists) {
    return "Das Bildprogramm " + quoted(program) +
           (exists ? " kann nicht gestartet werden" : " ist nicht vorhanden") +
           "; es wurde nichts erstellt.";
}

std::string targetNotWritten(int error) {
    return "Die Datei kann nicht geschrieben werden (" + systemReason(error) + ").";
}

std::string staleLargeNotRemoved(int error) {
    return "Das alte große Bild kann nicht entfernt werden (" + systemReason(error) +
           "); die Seiten würden es weiter zeigen.";
}

std::string creditFieldTooLong(std::string_view field, std::size_t bytes) {
    return "Das Feld " + quoted(field) + " ist mit " + std::to_string(bytes) +
           " Bytes zu lang (höchstens " + std::to_string(LongestCreditText) +
           ") und wurde nicht übernommen.";
}

std::string creditFieldNotUtf8(std::string_view field) {
    return "Das Feld " + quoted(field) + " ist kein Text in UTF-8 und wurde nicht übernommen.";
}

std::string creditFieldInvalid(std::string_view field) {
    return "Das Feld " + quoted(field) + " hat keinen gültigen Wert und wurde nicht übernommen.";
}

std::string creditBlockDamaged(std::string_view block) {
    return "Die " + std::string(block) +
           "-Angaben des Originals sind beschädigt; Urheber und Rechte daraus wurden nicht "
           "übernommen.";
}

std::string creditBlockTooLarge(std::string_view block) {
    return "Die " + std::string(block) +
           "-Angaben wären zu groß für das Bild und wurden nicht übernommen.";
}

std::string noticeTooLong(std::string_view field, std::size_t bytes) {
    return "Der Text im Feld " + quoted(field) + " ist mit " + std::to_string(bytes) +
           " Bytes zu lang (höchstens " + std::to_string(LongestCreditText) +
           "); es wurde nichts erstellt.";
}

std::string noticeNotUtf8(std::string_view field) {
    return "Der Text im Feld " + quoted(field) +
           " ist kein gültiges UTF-8; es wurde nichts erstellt.";
}

} // namespace texts

std::string preparationSummary(const PreparationResult& result) {
    if (result.outcome == PreparationOutcome::Refused) {
        return result.refusal;
    }
    if (result.outcome == PreparationOutcome::NotWritable) {
        const std::string& path = result.notWritable.path;
        std::string text =
            texts::folderNotWritable(path.substr(0, path.rfind('/') + 1), result.notWritable.error);
        if (result.picturesMade + result.minisMade > 0) {
            text += "\nBis dahin erstellt: " + counted(result.picturesMade, "Bild", "Bilder") +
                    " im Großformat und " + counted(result.minisMade, "Mini-Bild", "Mini-Bilder") +
                    ".";
        }
        return text;
    }
    std::string text;
    if (result.outcome == PreparationOutcome::Cancelled ||
        result.outcome == PreparationOutcome::Crashed) {
        text = std::string(result.outcome == PreparationOutcome::Cancelled ? "Abgebrochen"
                                                                           : "Unterbrochen") +
               " nach " + std::to_string(result.finished) + " von " +
               std::to_string(result.originals) + " Originalen. ";
    } else if (result.originals == 0) {
        return "Fertig: Im Ordner der Originale sind keine Bilder.";
    } else {
        text = "Fertig: ";
    }
    text += counted(result.picturesMade, "Bild", "Bilder") + " im Großformat und " +
            counted(result.minisMade, "Mini-Bild", "Mini-Bilder") + " erstellt";
    if (result.largeMade > 0) {
        text += " (" + counted(result.largeMade, "Bild", "Bilder") + " auch in groß)";
    }
    if (result.upToDate > 0) {
        text +=
            ", " + counted(result.upToDate, "Original war", "Originale waren") + " schon aktuell";
    }
    text += ".";
    appendList(text, "Übersprungen:", result.skipped,
               [](const SkippedOriginal& entry) { return entry.name; });
    appendList(text, "Nicht geschrieben:", result.failures,
               [](const FailedTarget& entry) { return entry.path; });
    appendList(text, "Nicht übernommene Angaben:", result.leftOut,
               [](const LeftOutField& entry) { return entry.name; });
    return text;
}

} // namespace bildertafel::imaging
