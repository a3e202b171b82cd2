#include "batch/BatchUsage.h"

namespace bildertafel::batch {

std::string_view usageText() {
    return R"(Aufruf: bildertafel-batch [--config DATEI | --preset NAME] [--save-config DATEI]
                          [--per-row TEXT] [--own-pages on|off]
                          [--new-window on|off] [--all-page on|off]
                          [--show ORDNER --minis ORDNER --pictures ORDNER] [--name NAME]
                          [--strict] [--selection-mail ADRESSE [--selection-note TEXT]]
                          [--zip off|on|large]
                          [--prepare ORDNER [--picture-size N] [--large-size N]
                           [--mini-size N] [--quality Q] [--redo] [--artist TEXT] [--copyright TEXT] [--replace-credits]
                           [--no-credits]]
                          [--words-from-pictures]
                          [--noindex on|off]
                          [--publish ADRESSE [--start-page NAME] [--dry-run] [--delete]
                           [--key DATEI] [--protect BENUTZER | --no-protect]
                           [--visible-until JJJJ-MM-TT] [--web-address URL]
                           [--server-path PFAD] [--no-check] [--public-read]]
       bildertafel-batch --selection DATEI|- --pictures ORDNER [--minis ORDNER]
                          [--copy-selection ORDNER [--originals ORDNER]]
       bildertafel-batch --list-presets

Erstellt die HTML-Seiten einer Bilder-Show ohne Fenster, mit den Vorlagen, die das
Fenster beim Start zeigt: die Startseite im Hauptordner und, auf Wunsch, eine Seite
für jedes Bild und eine Seite mit allen Bildern im Ordner der Bilder.

  --config DATEI       Konfiguration laden, bevor die Optionen gelten
  --preset NAME        Die mitgelieferte Vorlage NAME laden, wie mit --config; mit
                       --prepare haben die Mini-Bilder die Größe, die sie erwartet
  --list-presets       Die mitgelieferten Vorlagen mit Beschreibung und der Größe
                       der Mini-Bilder anzeigen
  --save-config DATEI  Konfiguration speichern (DATEI mit Erweiterung), nach den
                       Optionen und vor dem Erstellen der Seiten
  --show ORDNER        Hauptordner der Show (ohne die drei Ordner werden nur
                       Konfigurationsdateien gelesen und geschrieben)
  --minis ORDNER       Ordner der Mini-Bilder (*.jpg), unter dem Hauptordner
  --pictures ORDNER    Ordner der Bilder (*.jpg) und ihrer HTML-Seiten, unter dem
                       Hauptordner
  --name NAME          Name der Startseite ohne Erweiterung (ohne Angabe: bilder01)
  --per-row TEXT       Bilder pro Zeile: 2 bis 9 wählt "2  Bilder breit" bis
                       "9 Bilder breit", anderer Text gilt als eingetippt (Vorgabe: 4)
  --own-pages on|off   Eigene HTML-Datei für jedes Bild erstellen (Vorgabe: off)
  --new-window on|off  Neues Browserfenster öffnen (Vorgabe: off)
  --all-page on|off    Zusätzliche HTML-Datei für alle Bilder erstellen (Vorgabe: on)
  --strict             Verweise der Seiten, die ins Leere führen, gelten als Fehler
  --selection-mail ADRESSE
                       Auswahl erlauben: Besucher merken sich Bilder mit einem Herzen und
                       senden ihre Auswahl an ADRESSE (E-Mail)
  --selection-note TEXT
                       Ein kurzer Hinweis an die Besucher über der Auswahl
  --zip off|on|large   Alle Bilder als ZIP anbieten: NAME.zip neben der Startseite (NAME
                       wie --name) mit den Bildern im Großformat (on) oder den großen
                       Bildern, wo es sie gibt (large), verlinkt auf der Startseite;
                       neu geschrieben nur, wenn sich ein Bild geändert hat (Vorgabe: off)
  --prepare ORDNER     Aus den Originalen im ORDNER (jpg, jpeg, png, tif, tiff, webp,
                       heic, heif) die Mini-Bilder in --minis und die Bilder im
                       Großformat in --pictures erstellen, vor dem Erstellen der Seiten
                       (ohne --show werden nur die Bilder erstellt); mit --show kommen
                       Titel, Bildtext und Alternativtext der Originale in die Datei
                       bildtexte.txt des Hauptordners, für Bilder ohne Eintrag dort
  --picture-size N     Längste Seite der Bilder im Großformat (0: keine; sonst 16 bis
                       20000; Vorgabe: 1600)
  --large-size N       Längste Seite der großen Bilder für Bildschirme hoher Pixeldichte,
                       im Unterordner gross der Bilder, nur von Originalen, die größer
                       sind als die Bilder im Großformat (0: keine; Vorgabe: 2560)
  --mini-size N        Längste Seite der Mini-Bilder (0: keine; 16 bis 20000; Vorgabe: 160)
  --quality Q          JPEG-Qualität, 1 bis 100 (Vorgabe: 85)
  --redo               Vorhandene Bilder neu erstellen
  --artist TEXT        Urheber für jedes Bild im Großformat, dessen Original keinen nennt
  --copyright TEXT     Copyright für jedes Bild im Großformat, dessen Original keines nennt
  --replace-credits    Urheber und Copyright der Originale durch --artist und --copyright
                       ersetzen
  --no-credits         Keine Angaben übernehmen: die Bilder ohne jede Metadaten, und
                       keine Bildtexte
  --words-from-pictures
                       Die Bildtexte der Bilder in --pictures in bildtexte.txt von
                       --show übernehmen, für Bilder ohne Eintrag (mit --minis folgen
                       die Seiten)
  --publish ADRESSE    Die Fotoshow aus --show veröffentlichen, nach dem Erstellen der
                       Seiten, wenn auch --minis und --pictures angegeben sind: ADRESSE ist
                       sftp://BENUTZER@SERVER[:PORT]/ORDNER, ftps://…, ftp://…
                       (unverschlüsselt, nur nach Rückfrage im Terminal) oder
                       s3://BUCKET/PRÄFIX (ein S3-kompatibler Objektspeicher; Schlüssel,
                       Endpunkt und Region aus AWS_ACCESS_KEY_ID, AWS_SECRET_ACCESS_KEY,
                       AWS_ENDPOINT_URL, AWS_REGION, AWS_PROFILE oder ~/.aws/credentials
                       und ~/.aws/config). Gesendet wird nur, was die Startseite erreicht,
                       und nur, was sich geändert hat
  --start-page NAME    Startseite, die veröffentlicht wird (ohne Angabe: --name)
  --dry-run            Probelauf: zeigt, was gesendet und gelöscht würde, sendet nichts
  --delete             Dateien, die ein früheres Veröffentlichen auf den Server gelegt hat
                       und die nicht mehr gebraucht werden, löschen
  --key DATEI          Privater SSH-Schlüssel für sftp://, der zuerst versucht wird (wie
                       „Schlüsseldatei…“ im Fenster)
  --protect BENUTZER   Die Fotoshow nur mit Passwort sichtbar machen (Benutzer etwa gast);
                       das Passwort steht in BILDERTAFEL_SHOW_PASSWORD oder wird im
                       Terminal zweimal ohne Anzeige erfragt
  --no-protect         Den Passwortschutz wieder wegnehmen (ohne beide bleibt ein Schutz
                       auf dem Server, wie er ist)
  --visible-until JJJJ-MM-TT
                       Letzter Tag, an dem die Fotoshow sichtbar ist (danach: 403)
  --web-address URL    Web-Adresse des Zielordners: nach dem Senden wird von außen
                       geprüft, was ein Besucher bekommt
  --server-path PFAD   Vollständiger Pfad des Zielordners auf dem Webserver (für den
                       Passwortschutz über FTP nötig; über SFTP fragt der Befehl den Server)
  --noindex on|off     Suchmaschinen fernhalten: in den Seiten und in der .htaccess
                       (Vorgabe: off)
  --no-check           Nach dem Senden nicht von außen prüfen
  --public-read        s3://: die Objekte der Show für alle lesbar anlegen (x-amz-acl:
                       public-read; nötig etwa bei Hetzner, von Cloudflare R2 abgelehnt)
  --selection DATEI    Die Antwort eines Besuchers lesen, der in der Show Bilder
                       gemerkt hat (die Mail, auch zitiert oder weitergeleitet, ihre
                       Zeile "Auswahl wieder öffnen: …" oder eine Liste der Namen; "-":
                       von der Standardeingabe), und die gewählten Bilder der Show
                       (--minis, sonst --pictures) in ihrer Reihenfolge ausgeben, einen
                       Namen ohne Erweiterung je Zeile; für Namen, die kein Bild der Show
                       sind, erscheint eine Warnung. Seiten werden nicht erstellt
  --copy-selection ORDNER
                       Die gewählten Bilder in den neuen oder leeren ORDNER kopieren:
                       die Originale aus --originals, ohne es die Bilder im Großformat
                       aus --pictures. Ein Original wird nur gelesen, nie verschoben,
                       umbenannt oder geändert
  --originals ORDNER   Ordner der Originale, aus denen die Bilder vorbereitet wurden
  --help               Diese Hilfe anzeigen

Seiten, deren Inhalt sich nicht geändert hat, bleiben unberührt. Nach dem Erstellen
werden alle Verweise und Bilder der Seiten auf der Platte gesucht; für jede fehlende
Datei erscheint eine Zeile "Warnung: Seite: Datei".

Die Bilder im Großformat behalten von den Angaben ihres Originals nur, wem das Bild
gehört (EXIF Artist, Copyright; XMP dc:creator, dc:rights, xmpRights; IPTC By-line,
CopyrightNotice, Credit, Source); Ort, Seriennummern und alles andere fallen weg. Die
Mini-Bilder haben keine Metadaten. Kann ein Feld nicht übernommen werden, wird das Bild
ohne es erstellt, und eine Zeile "Warnung: Original: Grund" nennt es.

Das Passwort steht in ~/.netrc oder wird im Terminal ohne Anzeige erfragt; bei SFTP
gelten zuerst --key, der ssh-agent und die Schlüssel in ~/.ssh. Die Passphrase von --key
steht in der Umgebungsvariable BILDERTAFEL_PASSPHRASE oder wird im Terminal ohne Anzeige
erfragt; sie wird nirgends gespeichert. Ein unbekannter Server-Schlüssel wird im Terminal
bestätigt, ein geänderter wird abgelehnt.

Rückgabewert: 0 geschrieben; 1 abgelehnt (Prüfung der Ordner, Name der Startseite,
zwei Originale ergäben denselben Namen, die Originale liegen im Ordner der Mini-Bilder,
Veröffentlichen abgelehnt, bevor etwas gesendet wurde; mit --selection: die Antwort nennt
kein Bild der Show); 2 falscher Aufruf; 3 ein Ordner,
eine Datei oder ein Original konnte nicht gelesen oder geschrieben werden, die
Konfiguration enthält einen Wert, der nicht übernommen werden kann, (mit --strict) ein
Verweis führt ins Leere, das Veröffentlichen ist gescheitert oder abgebrochen, oder (mit
--selection) die Antwort oder ein Bild konnte nicht gelesen oder kopiert werden; 4
gesendet, aber die Prüfung von außen fand die Fotoshow nicht, wie sie sein soll (ohne
Passwort erreichbar, .htpasswd lesbar, Antwort 500, Startseite fehlt).
Meldungen erscheinen auf der Standardfehlerausgabe.
)";
}

} // namespace bildertafel::batch
