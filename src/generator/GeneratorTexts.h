#pragma once

#include <string>
#include <string_view>

// The texts of the generation run that a user reads, in one place.
namespace bildertafel::generator::texts {

// The folder checks, in their order.
inline constexpr std::string_view CountsDiffer =
    "Die Anzahl der Bilder und Minibilder stimmt nicht überein...";
inline constexpr std::string_view ThumbsNotBelowShow =
    "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show...";
inline constexpr std::string_view PicturesNotBelowShow =
    "Der Ordner für die Bilder und deren HTML's liegt nicht unter dem Hauptordner der Show...";
inline constexpr std::string_view PicturesAreThumbs =
    "Der Ordner für die Bilder und deren HTML's ist der Ordner für die Mini-Bilder...";

// The dialog for the start page's name.
inline constexpr std::string_view NameTitle = "HTML-Startdatei speichern...";
inline constexpr std::string_view NamePreset = "bilder01";
inline constexpr std::string_view CancelledTitle = "Abbruch...";

// Two pages of one run would share a file name.
std::string pictureTakesAllPageName(std::string_view picture, std::string_view allPageBase);
std::string picturesShareAPageName(std::string_view first, std::string_view second,
                                   std::string_view pageBase);

// The file system refused a page; reason is the system's, German.
std::string pageNotWritten(std::string_view path, std::string_view reason);

// The preview in the browser: its folder in `parent`, a folder or link inside it, or a folder of
// the show could not be made or read; reason is the system's, German.
std::string previewFolderNotMade(std::string_view parent, std::string_view reason);
std::string previewPartNotMade(std::string_view path, std::string_view reason);
std::string showFolderNotReadForPreview(std::string_view folder, std::string_view reason);

} // namespace bildertafel::generator::texts
