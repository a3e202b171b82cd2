#include "generator/FolderChecks.h"

namespace bildertafel::generator {

namespace {

constexpr std::string_view CountsDiffer =
    "Die Anzahl der Bilder und Minibilder stimmt nicht überein...";
constexpr std::string_view ThumbsNotBelowShow =
    "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show...";
constexpr std::string_view PicturesNotBelowShow =
    "Der Ordner für die Bilder und deren HTML's liegt nicht unter dem Hauptordner der Show...";
constexpr std::string_view PicturesAreThumbs =
    "Der Ordner für die Bilder und deren HTML's ist der Ordner für die Mini-Bilder...";

} // namespace

std::optional<std::string_view> firstFolderCheckFailure(const ShowGeneratorInput& input) {
    const std::string& show = input.ShowFolder;
    if (static_cast<long long>(input.ThumbNames.size()) != input.PictureCount) {
        return CountsDiffer;
    }
    if (!input.ThumbFolder.starts_with(show)) {
        return ThumbsNotBelowShow;
    }
    if (!input.PictureFolder.starts_with(show)) {
        return PicturesNotBelowShow;
    }
    if (input.ThumbFolder == show) {
        return ThumbsNotBelowShow;
    }
    if (input.PictureFolder == show) {
        return PicturesNotBelowShow;
    }
    if (input.PictureFolder == input.ThumbFolder) {
        return PicturesAreThumbs;
    }
    return std::nullopt;
}

} // namespace bildertafel::generator
