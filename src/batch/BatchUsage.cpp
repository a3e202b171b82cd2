#include "batch/BatchUsage.h"

namespace bildertafel::batch {

std::string_view usageText() {
    return "Aufruf: bildertafel-batch [--config DATEI] [--save-config DATEI] [--per-row TEXT]\n"
           "                          [--own-pages on|off] [--new-window on|off] [--all-page "
           "on|off]\n"
           "                          [--show ORDNER --minis ORDNER --pictures ORDNER] [--name "
           "NAME]\n"
           "\n"
           "Erstellt die HTML-Seiten einer Bilder-Show ohne Fenster, mit den Vorlagen, die das\n"
           "Fenster beim Start zeigt: die Startseite im Hauptordner und, auf Wunsch, eine Seite\n"
           "für jedes Bild und eine Seite mit allen Bildern im Ordner der Bilder.\n"
           "\n"
           "  --config DATEI       Konfiguration laden, bevor die Optionen gelten\n"
           "  --save-config DATEI  Konfiguration speichern (DATEI mit Erweiterung), nach den\n"
           "                       Optionen und vor dem Erstellen der Seiten\n"
           "  --show ORDNER        Hauptordner der Show (ohne die drei Ordner werden nur\n"
           "                       Konfigurationsdateien gelesen und geschrieben)\n"
           "  --minis ORDNER       Ordner der Mini-Bilder (*.jpg), unter dem Hauptordner\n"
           "  --pictures ORDNER    Ordner der Bilder (*.jpg) und deren HTML's, unter dem "
           "Hauptordner\n"
           "  --name NAME          Name der Startseite ohne Erweiterung (ohne Angabe: bilder01)\n"
           "  --per-row TEXT       Bilder pro Zeile: 2 bis 9 wählt \"2  Bilder breit\" bis\n"
           "                       \"9 Bilder breit\", anderer Text gilt als eingetippt (Vorgabe: "
           "4)\n"
           "  --own-pages on|off   Eigene HTML-Datei für jedes Bild erstellen (Vorgabe: off)\n"
           "  --new-window on|off  Neues Browserfenster öffnen (Vorgabe: off)\n"
           "  --all-page on|off    Zusätzliche HTML-Datei für alle Bilder erstellen (Vorgabe: on)\n"
           "  --help               Diese Hilfe anzeigen\n"
           "\n"
           "Rückgabewert: 0 geschrieben; 1 abgelehnt (Prüfung der Ordner, Name der Startseite);\n"
           "2 falscher Aufruf; 3 ein Ordner oder eine Datei konnte nicht gelesen oder geschrieben\n"
           "werden, oder die Konfiguration enthält einen Wert, der nicht übernommen werden kann.\n"
           "Meldungen erscheinen auf der Standardfehlerausgabe.\n";
}

} // namespace bildertafel::batch
