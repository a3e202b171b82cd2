#pragma once

#include <string>
#include <string_view>

// The texts of the window's own commands that a user reads, in one place.
namespace bildertafel::ui::texts {

inline constexpr std::string_view StartPageInBrowserTitle = "Startseite im Browser ansehen";
// Why "Startseite im Browser ansehen" is greyed out.
inline constexpr std::string_view NoStartPageYet =
    "Noch keine Startseite: eine in der Liste des Arbeitsordners wählen oder mit „HTML erstellen“ "
    "eine schreiben.";
// Why "Veröffentlichen…" is greyed out.
inline constexpr std::string_view NothingToPublishYet =
    "Noch keine Seite im Arbeitsordner: erst mit „HTML erstellen“ die Seiten schreiben.";
// Why "Bildtexte…" is greyed out.
inline constexpr std::string_view NoPicturesYet =
    "Noch keine Bilder im Großformat: erst ihren Ordner öffnen oder „Bilder vorbereiten…“.";
inline constexpr std::string_view WordsTitle = "Bildtexte";
// "Vorschau im Browser…".
inline constexpr std::string_view PreviewTitle = "Vorschau im Browser";
inline constexpr std::string_view PreviewNeedsShowFolder =
    "Für die Vorschau zuerst auf der Seite „Datei“ den Arbeitsordner der Fotoshow öffnen.";
inline constexpr std::string_view PreviewNeedsThumbs =
    "Für die Vorschau fehlen die Mini-Bilder: erst ihren Ordner öffnen oder „Bilder "
    "vorbereiten…“.";
inline constexpr std::string_view PreviewBeingWritten =
    "Die Seiten der Vorschau werden geschrieben …";
inline constexpr std::string_view CancelButton = "Abbrechen";
// "Vorlagen dieser Fotoshow laden" and the question before "HTML erstellen" replaces pages.
inline constexpr std::string_view GenerateTitle = "HTML erstellen";
inline constexpr std::string_view ShowTemplatesTitle = "Vorlagen dieser Fotoshow laden";
// Why "Vorlagen dieser Fotoshow laden" is greyed out.
inline constexpr std::string_view NoShowTemplatesYet =
    "Von dieser Fotoshow sind noch keine Vorlagen bekannt: Sie werden gemerkt, sobald „HTML "
    "erstellen“ ihre Seiten schreibt.";
inline constexpr std::string_view WriteAnywayButton = "Trotzdem erstellen";
// shown: the name of the set or file the pages were written with; "" for templates of no name
// (typed by hand).
std::string otherTemplatesQuestion(std::string_view shown);
std::string loadTemplateButton(std::string_view shown);
// The remembered templates are loaded, but the pages were written with them changed since.
std::string loadedTemplatesDiffer(std::string_view shown, bool pagesKept);
// A folder that is gone: its list moved to the nearest folder above that exists.
std::string openedNearestAbove(std::string_view reason, std::string_view folder);

} // namespace bildertafel::ui::texts
