#include "words/WordsTexts.h"

#include "textfile/SystemReason.h"

namespace bildertafel::words::texts {

namespace {

std::string reasonOf(const WordsFailure& failure) {
    switch (failure.kind) {
    case WordsFailure::Kind::NotAFile:
        return "Das ist keine Datei.";
    case WordsFailure::Kind::TooLarge:
        return "Die Datei ist größer als 16 MiB.";
    case WordsFailure::Kind::System:
        break;
    }
    return textfile::systemReason(failure.error);
}

} // namespace

std::string wordsNotRead(std::string_view path, const WordsFailure& failure) {
    return "Die Bildtexte in „" + std::string(path) +
           "“ konnten nicht gelesen werden: " + reasonOf(failure);
}

std::string wordsNotWritten(std::string_view path, const WordsFailure& failure) {
    return "Die Bildtexte konnten nicht in „" + std::string(path) +
           "“ gespeichert werden: " + reasonOf(failure);
}

std::string wordsTakenOver(std::size_t count, std::string_view path) {
    return (count == 1 ? std::string("Die Bildtexte eines Bildes")
                       : "Die Bildtexte von " + std::to_string(count) + " Bildern") +
           " stehen jetzt in „" + std::string(path) + "“.";
}

} // namespace bildertafel::words::texts
