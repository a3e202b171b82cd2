#include "generator/GeneratorTexts.h"

#include "textfile/SystemReason.h"

namespace bildertafel::generator::texts {

std::string failureText(const GeneratorFailure& failure) {
    using Kind = GeneratorFailure::Kind;
    const std::string& path = failure.path;
    switch (failure.kind) {
    case Kind::CountsDiffer:
        return "Die Anzahl der Bilder und Minibilder stimmt nicht überein...";
    case Kind::ThumbsNotBelowShow:
        return "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show...";
    case Kind::PicturesNotBelowShow:
        return "Der Ordner für die Bilder und deren HTML's liegt nicht unter dem Hauptordner der "
               "Show...";
    case Kind::ThumbsAreShowFolder:
        return "Der Ordner für die Minis liegt nicht unter dem Hauptordner der Show... Gewählt ist "
               "der Hauptordner selbst: Wählen Sie als Ordner der Minis seinen Unterordner mit den "
               "Mini-Bildern, etwa „minis“.";
    case Kind::PicturesAreShowFolder:
        return "Der Ordner für die Bilder und deren HTML's liegt nicht unter dem Hauptordner der "
               "Show... Gewählt ist der Hauptordner selbst: Wählen Sie als Ordner der Bilder "
               "seinen "
               "Unterordner mit den Bildern im Großformat, etwa „bilder“.";
    case Kind::PicturesAreThumbs:
        return "Der Ordner für die Bilder und deren HTML's ist der Ordner für die Mini-Bilder...";
    case Kind::PictureTakesAllPageName:
        return "Die eigene HTML-Datei des Bildes " + failure.picture +
               " hätte denselben Namen wie die HTML-Datei mit allen Bildern (" + failure.pageBase +
               ".html)...";
    case Kind::PicturesShareAPageName:
        return "Die eigenen HTML-Dateien der Bilder " + failure.picture + " und " +
               failure.otherPicture + " hätten denselben Namen (" + failure.pageBase + ".html)...";
    case Kind::PageNotWritten:
        return "Die Datei " + path +
               " konnte nicht geschrieben werden: " + textfile::systemReason(failure.error);
    case Kind::ZipNotWritten:
        return "Die Datei mit allen Bildern (ZIP) konnte nicht geschrieben werden, an " + path +
               ": " + textfile::systemReason(failure.error);
    case Kind::PreviewFolderNotMade:
        return "Für die Vorschau lässt sich im Ordner „" + path +
               "“ kein Ordner anlegen: " + textfile::systemReason(failure.error) +
               ". Die Fotoshow bleibt unverändert.";
    case Kind::PreviewPartNotMade:
        return "Für die Vorschau lässt sich „" + path +
               "“ nicht anlegen: " + textfile::systemReason(failure.error) +
               ". Die Fotoshow bleibt unverändert.";
    case Kind::ShowFolderNotReadForPreview:
        return "Der Ordner „" + path + "“ der Fotoshow lässt sich für die Vorschau nicht lesen: " +
               textfile::systemReason(failure.error) + ".";
    }
    return {};
}

} // namespace bildertafel::generator::texts
