#include "textfile/SystemReason.h"

#include <cerrno>
#include <cstring>

namespace bildertafel::textfile {

std::string systemReason(int error) {
    switch (error) {
    case ENOSPC:
        return "Auf dem Datenträger ist kein Platz mehr frei";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung";
    case EROFS:
        return "Das Dateisystem ist schreibgeschützt";
    case ENOENT:
        return "Die Datei oder der Ordner existiert nicht";
    case ENAMETOOLONG:
        return "Der Name ist zu lang";
    case EDQUOT:
        return "Das Speicherkontingent ist erschöpft";
    case EIO:
        return "Ein-/Ausgabefehler des Datenträgers";
    case EBUSY:
        return "Das Gerät oder die Datei ist belegt";
    case EMFILE:
    case ENFILE:
        return "Zu viele offene Dateien";
    case EISDIR:
        return "Das ist ein Ordner";
    case ENOTDIR:
        return "Das ist kein Ordner";
    case ELOOP:
        return "Die Verknüpfung führt im Kreis";
    case EFBIG:
    case EOVERFLOW:
        return "Die Datei ist zu groß";
    case ENOMEM:
        return "Nicht genug Arbeitsspeicher";
    case ENXIO:
    case ENODEV:
        return "Das Gerät ist nicht erreichbar";
    case ESTALE:
        return "Die Datei auf dem Netzlaufwerk ist nicht mehr gültig";
    case ETIMEDOUT:
        return "Das Netzlaufwerk antwortet nicht";
    case ETXTBSY:
        return "Die Datei wird gerade von einem Programm benutzt";
    case EEXIST:
        return "Die Datei existiert schon";
    default:
        return std::string(std::strerror(error)) + " (Fehler " + std::to_string(error) + ")";
    }
}

} // namespace bildertafel::textfile
