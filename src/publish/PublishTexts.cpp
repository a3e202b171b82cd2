#include "publish/Publisher.h"

namespace bildertafel::publish {

const std::string PlainFtpWarning =
    "Die Adresse beginnt mit ftp://: Benutzername, Passwort und alle Dateien gehen "
    "unverschlüsselt über das Netz und können unterwegs mitgelesen werden. Bietet der Server "
    "FTPS oder SFTP an, bitte ftps:// oder sftp:// verwenden.\n\nTrotzdem unverschlüsselt "
    "veröffentlichen?";

std::string hostKeyQuestion(const std::string& host, int port, const std::string& keyType,
                            const std::string& fingerprint) {
    std::string server = host;
    if (port != 22) {
        server = "[" + host + "]:" + std::to_string(port);
    }
    return "Der Server „" + server + "“ ist noch unbekannt. Sein Schlüssel (" + keyType +
           ") hat den Fingerabdruck\n\n" + fingerprint +
           "\n\nStimmt er mit dem überein, den der Betreiber des Servers nennt? Nur dann "
           "„Ja“ wählen: der Schlüssel wird in die Liste der bekannten Server aufgenommen.";
}

} // namespace bildertafel::publish
