#include "publish/PublishTexts.h"

#include "core/ByteSize.h"
#include "publish/SftpStatusCodes.h"
#include "textfile/SystemReason.h"
#include "textfile/Windows1252.h"

#include <cctype>
#include <ctime>
#include <string_view>

namespace bildertafel::publish {

namespace {

const std::string TryAgain =
    "Bitte die Netzverbindung prüfen und noch einmal veröffentlichen; was schon oben ist, wird "
    "nicht noch einmal gesendet.";

// "Die Datei „bilder/a.jpg“ lässt sich auf dem Server nicht anlegen"; empty without a step.
std::string stepText(Step step, const std::string& path) {
    const std::string named = "„" + (path.empty() ? std::string(".") : path) + "“";
    switch (step) {
    case Step::None:
        return {};
    case Step::ListFolder:
        return "Der Ordner " + named + " auf dem Server lässt sich nicht lesen";
    case Step::ReadFile:
        return "Die Datei " + named + " auf dem Server lässt sich nicht lesen";
    case Step::CreateFile:
        return "Die Datei " + named + " lässt sich auf dem Server nicht anlegen";
    case Step::WriteFile:
        return "Die Datei " + named + " lässt sich auf dem Server nicht schreiben";
    case Step::RenameFile:
        return "Die Datei " + named + " lässt sich auf dem Server nicht umbenennen";
    case Step::RemoveFile:
        return "Die Datei " + named + " lässt sich auf dem Server nicht löschen";
    case Step::MakeFolder:
        return "Der Ordner " + named + " lässt sich auf dem Server nicht anlegen";
    case Step::RemoveFolder:
        return "Der Ordner " + named + " lässt sich auf dem Server nicht löschen";
    case Step::Rename:
        return named + " lässt sich auf dem Server nicht umbenennen";
    }
    return {};
}

// What a library or a server said, fit to be shown: on one line, without control characters (a
// server could move or colour a terminal's text with them), bytes that are no UTF-8 as "?", and
// cut after about Longest bytes.
std::string shownReason(std::string_view said) {
    constexpr std::size_t Longest = 300;
    std::string shown;
    for (std::size_t at = 0; at < said.size();) {
        const auto byte = static_cast<unsigned char>(said[at]);
        const std::size_t length = textfile::utf8CharacterLength(said, at);
        const bool c1Control =
            length == 2 && byte == 0xC2 && static_cast<unsigned char>(said[at + 1]) < 0xA0;
        if (length == 0) {
            shown += '?';
            ++at;
            continue;
        }
        if (length == 1 && (byte < 0x20 || byte == 0x7F)) {
            if (std::isspace(byte) != 0 && !shown.empty() && shown.back() != ' ') {
                shown += ' ';
            }
        } else if (!c1Control) {
            if (shown.size() + length > Longest) {
                shown += "…";
                break;
            }
            shown.append(said.substr(at, length));
        }
        at += length;
    }
    while (!shown.empty() && shown.back() == ' ') {
        shown.pop_back();
    }
    return shown;
}

// " (reason)" where the library said something.
std::string inBrackets(const std::string& reason) {
    return reason.empty() ? std::string() : " (" + reason + ")";
}

// What an SFTP status means, with what to do where there is something.
std::string statusText(std::uint32_t status) {
    switch (status) {
    case sftp::NoSuchFile:
    case sftp::NoSuchPath:
        return "die Datei oder ihr Ordner ist auf dem Server nicht da";
    case sftp::AlreadyThere:
        return "auf dem Server steht schon etwas mit diesem Namen";
    case sftp::Unsupported:
        return "der Server kann diesen Schritt nicht ausführen";
    case sftp::BadMessage:
    case sftp::InvalidHandle:
        return "der Server hat die Anfrage nicht verstanden; bitte noch einmal veröffentlichen";
    case sftp::NoMedia:
        return "auf dem Server ist kein Datenträger eingelegt";
    default:
        return "der Server meldet einen Fehler ohne Grund; bitte noch einmal veröffentlichen und "
               "sonst beim Betreiber nachfragen";
    }
}

std::string loginText(const FailureFacts& facts) {
    if (!facts.key.empty()) {
        return "Der Server nimmt den Schlüssel „" + facts.key +
               "“ nicht an. Bitte den öffentlichen Schlüssel dazu beim Server hinterlegen, eine "
               "andere Schlüsseldatei wählen oder das Passwort eingeben.";
    }
    if (!facts.password) {
        // reason: the keys that were tried
        return "Der Server nimmt keinen der SSH-Schlüssel an" +
               (facts.reason.empty() ? std::string() : " (versucht: " + facts.reason + ")") +
               ". Bitte das Passwort eingeben, eine Schlüsseldatei wählen oder den öffentlichen "
               "Schlüssel beim Server hinterlegen.";
    }
    return "Die Anmeldung wurde abgelehnt. Bitte Benutzername und Passwort prüfen.";
}

// "Bitte mit „Schlüsseldatei…“ eine andere wählen." where the front end names its control.
std::string chooseAnotherKey(const ControlNames& controls) {
    return "Bitte " + (controls.chooseKeyFile.empty() ? "" : controls.chooseKeyFile + " ") +
           "eine andere wählen.";
}

// "um 14:05 Uhr": the holder's time on this computer's clock, with its day where that is not
// today (a clock of another computer may be far off).
std::string clockTime(std::int64_t seconds) {
    char when[40] = "?";
    const auto time = static_cast<std::time_t>(seconds);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    std::tm today{};
    if (::localtime_r(&time, &local) != nullptr && ::localtime_r(&now, &today) != nullptr) {
        const bool sameDay = local.tm_year == today.tm_year && local.tm_yday == today.tm_yday;
        std::strftime(when, sizeof when, sameDay ? "um %H:%M Uhr" : "am %d.%m.%Y um %H:%M Uhr",
                      &local);
    }
    return when;
}

// "die Sperre „.htbildertafel-sperre“"; one left where it was set aside is told by what its name
// begins with, since the rest of that name means nothing to a user.
std::string lockNamed(const FailureFacts& facts, const std::string& theLock) {
    return theLock + (facts.aside ? " (beiseitegelegt, ihr Name beginnt mit „" + facts.lock + "“)"
                                  : " „" + facts.lock + "“");
}

// ": Keine Berechtigung" where the system told why.
std::string becauseOf(int error) {
    return error == 0 ? std::string() : ": " + textfile::systemReason(error);
}

std::string files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

// What is wrong with the settings of who may see the show.
std::string accessSettingsText(const FailureFacts& facts, const ControlNames& controls) {
    const std::string nothing = "; es wurde nichts gesendet.";
    switch (facts.access) {
    case AccessProblem::None:
        break;
    case AccessProblem::UserInvalid:
        return "Der Benutzername für den Passwortschutz darf nicht leer sein und weder einen "
               "Doppelpunkt noch einen Zeilenumbruch enthalten" +
               nothing;
    case AccessProblem::PasswordMissing:
        return "Für „Nur mit Passwort sichtbar“ fehlt das Passwort" + nothing;
    case AccessProblem::PasswordTooLong:
        return "Das Passwort für die Fotoshow ist länger als 72 Bytes; der Server prüft nur die "
               "ersten 72. Bitte ein kürzeres wählen" +
               nothing;
    case AccessProblem::PasswordInvalid:
        return "Das Passwort für die Fotoshow darf keinen Zeilenumbruch enthalten" + nothing;
    case AccessProblem::ServerPathInvalid:
        return "Der Pfad auf dem Server „" + shownReason(facts.path) +
               "“ ist kein vollständiger Pfad, der mit „/“ beginnt und keine Anführungszeichen "
               "oder Backslashes enthält. Bitte den richtigen " +
               (controls.serverPath.empty() ? std::string() : controls.serverPath + " ") +
               "angeben" + nothing;
    case AccessProblem::WebAddressInvalid:
        return "Die Web-Adresse „" + shownReason(facts.path) +
               "“ beginnt nicht mit „https://“ oder „http://“ und einem Servernamen" + nothing;
    }
    return {};
}

// The sentences that need no step.
std::string plainText(const FailureFacts& facts, const ControlNames& controls) {
    const std::string server = "Der Server „" + facts.host + "“";
    switch (facts.kind) {
    case FailureKind::CannotStart:
        return "Die Verbindung lässt sich nicht anlegen" + inBrackets(facts.reason) + ".";
    case FailureKind::HostUnknown:
        return "Den Server „" + facts.host +
               "“ gibt es nicht. Bitte den Namen in der Adresse prüfen.";
    case FailureKind::NoRoute:
        return server + " ist auf Port " + std::to_string(facts.port) +
               " nicht erreichbar. Bitte die Netzverbindung, den Namen und den Port prüfen" +
               inBrackets(facts.reason) + ".";
    case FailureKind::NoConnection:
        return "Mit dem Server „" + facts.host +
               "“ kommt keine Verbindung zustande. Bitte Adresse und Port prüfen" +
               inBrackets(facts.reason) + ".";
    case FailureKind::ServerBusy:
        return server + " nimmt gerade keine Verbindung mehr an (" + std::to_string(facts.status) +
               "). Bitte andere FTP-Programme "
               "schließen und es gleich noch einmal versuchen; was schon oben ist, wird nicht "
               "noch einmal gesendet.";
    case FailureKind::SshAtFtpPort:
        return "Unter „" + facts.host + "“ auf Port " + std::to_string(facts.port) +
               " antwortet ein SSH-Server, kein FTP-Server. Bitte die Adresse mit sftp:// "
               "beginnen oder den Port des FTP-Servers angeben.";
    case FailureKind::HostKeyChanged:
        return "Achtung: " + server +
               " weist sich mit einem anderen Schlüssel aus als bisher. Jemand könnte sich als "
               "dieser Server ausgeben. Es wurde nichts gesendet. Bitte beim Betreiber den neuen "
               "Fingerabdruck erfragen und erst dann den alten Eintrag aus der Liste der "
               "bekannten Server (~/.ssh/known_hosts) entfernen.";
    case FailureKind::HostKeyNotConfirmed:
        return "Der Schlüssel des Servers „" + facts.host +
               "“ wurde nicht bestätigt; es wurde nichts gesendet.";
    case FailureKind::KnownHostsUnreadable:
        return "Die Liste der bekannten Server lässt sich nicht lesen" + inBrackets(facts.reason) +
               ".";
    case FailureKind::KnownHostsUnwritable:
        return "Der Schlüssel des Servers lässt sich nicht in die Liste der bekannten Server "
               "schreiben" +
               inBrackets(facts.reason) + ".";
    case FailureKind::NoServerKey:
        return "Der Server nennt keinen Schlüssel.";
    case FailureKind::ServerKeyUnreadable:
        return "Der Schlüssel des Servers lässt sich nicht lesen.";
    case FailureKind::Login:
        return loginText(facts);
    case FailureKind::KeyMissing:
        return "Die Schlüsseldatei „" + facts.key + "“ ist nicht da. " + chooseAnotherKey(controls);
    case FailureKind::KeyNotAFile:
        return "Die Schlüsseldatei „" + facts.key +
               "“ ist keine gewöhnliche Datei (etwa eine benannte Pipe) und wird nicht gelesen; es "
               "wurde nichts gesendet. Bitte an ihrer Stelle einen Schlüssel ablegen oder eine "
               "andere Schlüsseldatei wählen.";
    case FailureKind::KeyUnreadable:
        return "Die Schlüsseldatei „" + facts.key + "“ lässt sich nicht lesen" +
               becauseOf(facts.error) + ". " + chooseAnotherKey(controls);
    case FailureKind::KeyUnusable:
        return "Die Schlüsseldatei „" + facts.key +
               "“ lässt sich nicht verwenden: die Passphrase passt nicht, oder die Datei enthält "
               "keinen privaten Schlüssel. Bitte die Passphrase prüfen oder eine andere Datei "
               "wählen.";
    case FailureKind::KeyDeclined:
        return "Ohne ihre Passphrase lässt sich die Schlüsseldatei „" + facts.key +
               "“ nicht verwenden; es wurde nichts gesendet.";
    case FailureKind::LoginBroken:
        return "Die Verbindung zum Server brach bei der Anmeldung ab" + inBrackets(facts.reason) +
               ".";
    case FailureKind::NoSftp:
        return server + " bietet kein SFTP an. Bitte beim Betreiber nachfragen.";
    case FailureKind::SftpVersion:
        return "Der SFTP-Dienst des Servers spricht eine andere Fassung des Protokolls.";
    case FailureKind::Certificate:
        return "Das Zertifikat des Servers „" + facts.host +
               "“ lässt sich nicht bestätigen; es wurde nichts gesendet. Bitte den Namen des "
               "Servers so schreiben, wie ihn der Anbieter nennt, und beim Anbieter nachfragen" +
               inBrackets(facts.reason) + ".";
    case FailureKind::NoTls:
        return server +
               " bietet keine Verschlüsselung (FTPS) an; es wurde nichts gesendet. Bitte sftp:// "
               "versuchen oder beim Anbieter nachfragen.";
    case FailureKind::Cancelled:
        return "Abgebrochen.";
    case FailureKind::FtpNotConfirmed:
        return "Nicht veröffentlicht: unverschlüsseltes FTP wurde nicht bestätigt.";
    case FailureKind::Busy:
        return "Der Ordner „" + facts.path +
               "“ auf dem Server ist belegt: dorthin veröffentlicht gerade ein anderer Lauf von "
               "Bildertafel" +
               (facts.time ? " (vom Rechner „" + facts.host + "“, zuletzt aktiv " +
                                 clockTime(*facts.time) + ")"
                           : std::string()) +
               ". Es wurde nichts verändert. Bitte warten, bis er fertig ist, und dann noch einmal "
               "veröffentlichen.";
    case FailureKind::TakenOver:
        return "Ein anderes Veröffentlichen hat den Ordner „" + facts.path +
               "“ auf dem Server übernommen; dieses hört hier auf. Bitte warten, bis es fertig "
               "ist, und dann noch einmal veröffentlichen.";
    case FailureKind::LinkedFolder:
        return "Der Ordner „" + facts.path +
               "“ ist auf dem Server ein symbolischer Verweis. Bildertafel schreibt und löscht "
               "nicht durch Verweise; es wurde nichts verändert. Bitte den Verweis auf dem Server "
               "durch einen Ordner ersetzen.";
    case FailureKind::LinkedLock:
        return lockNamed(facts, "Die Sperre") + " im Ordner „" + facts.path +
               "“ ist auf dem Server ein symbolischer Verweis. Bildertafel folgt Verweisen auf dem "
               "Server nicht; es wurde nichts verändert. Bitte den Verweis auf dem Server "
               "entfernen und noch einmal veröffentlichen.";
    case FailureKind::StaleLockStays:
        return "Im Ordner „" + facts.path + "“ auf dem Server liegt " +
               lockNamed(facts, "die Sperre") +
               " eines beendeten Veröffentlichens, die sich nicht entfernen lässt; meist gehört "
               "sie einem anderen Benutzer des Servers. Es wurde nichts gesendet. Bitte die Sperre "
               "auf dem Server löschen und noch einmal veröffentlichen.";
    case FailureKind::NoTransferModule:
        return "Das Modul zum Senden „" + facts.path + "“ lässt sich nicht laden: " + facts.reason +
               ". Es wurde nichts gesendet; bitte Bildertafel neu installieren.";
    case FailureKind::Unexpected:
        return facts.reason.empty() ? "Das Veröffentlichen brach mit einem unbekannten Fehler ab."
                                    : "Das Veröffentlichen brach ab: " + facts.reason;
    case FailureKind::LocalRead:
        return "Die Datei „" + facts.path + "“ der Fotoshow lässt sich nicht lesen" +
               becauseOf(facts.error) + ".";
    case FailureKind::LocalChanged:
        return "Die Datei „" + facts.path +
               "“ der Fotoshow hat sich geändert, seit das Veröffentlichen begann, oder ein Ordner "
               "auf ihrem Weg ist jetzt ein symbolischer Verweis; sie wurde nicht gesendet. Bitte "
               "noch einmal veröffentlichen.";
    case FailureKind::NameWithLineBreak:
        return "Der Name „" + facts.path +
               "“ enthält einen Zeilenumbruch und lässt sich per FTP nicht senden. Bitte die "
               "Datei umbenennen.";
    case FailureKind::Silent: {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(facts.silence).count();
        return "Der Server antwortet nicht mehr: seit " + std::to_string(seconds) +
               (seconds == 1 ? " Sekunde" : " Sekunden") + " kam nichts an. " + TryAgain;
    }
    case FailureKind::ProtocolViolation:
        return "Der Server hält sich nicht an das SFTP-Protokoll: er antwortete auf eine Anfrage "
               "(Nummer " +
               std::to_string(facts.status) +
               "), die nie gestellt oder schon beantwortet wurde. Die Verbindung wurde beendet. " +
               TryAgain;
    case FailureKind::AccessSettings:
        return accessSettingsText(facts, controls);
    case FailureKind::ServerPathMissing:
        return "Für den Passwortschutz braucht der Server den vollständigen Pfad des Zielordners, "
               "und er nennt ihn nicht (über FTP nie). Bitte ihn " +
               (controls.serverPath.empty() ? std::string() : controls.serverPath + " ") +
               "angeben (die Hilfe des Anbieters nennt ihn, etwa "
               "„/homepages/12/d123456789/htdocs“); es wurde nichts gesendet.";
    case FailureKind::S3NoCredentials:
        return "Für den Objektspeicher fehlen Zugangsschlüssel und geheimer Schlüssel. Bitte beide "
               "angeben, oder in AWS_ACCESS_KEY_ID und AWS_SECRET_ACCESS_KEY oder in "
               "~/.aws/credentials hinterlegen; es wurde nichts gesendet.";
    case FailureKind::S3Endpoint:
        return "Der Endpunkt „" + facts.host + "“ ist ungültig: " + facts.reason +
               ". Es wurde nichts gesendet.";
    case FailureKind::S3WrongSecret:
        return "Der Objektspeicher „" + facts.host +
               "“ lehnt die Anmeldung ab: der geheime Schlüssel passt nicht zum Zugangsschlüssel. "
               "Bitte den geheimen Schlüssel prüfen; es wurde nichts gesendet.";
    case FailureKind::S3UnknownKey:
        return "Der Objektspeicher „" + facts.host +
               "“ kennt diesen Zugangsschlüssel nicht. Bitte Zugangsschlüssel und Endpunkt "
               "prüfen; es wurde nichts gesendet.";
    case FailureKind::S3NoBucket:
        return "Den Bucket „" + facts.path + "“ gibt es beim Objektspeicher „" + facts.host +
               "“ nicht. Bitte den Namen in der Adresse prüfen oder den Bucket beim Anbieter "
               "anlegen; es wurde nichts gesendet.";
    case FailureKind::S3ClockSkew:
        return "Der Objektspeicher „" + facts.host +
               "“ lehnt die Anfrage ab, weil die Uhr dieses Computers zu sehr von seiner abweicht. "
               "Bitte Datum und Uhrzeit stellen (am besten automatisch übers Netz).";
    case FailureKind::S3Protection:
        return "Ein Objektspeicher kennt keinen Passwortschutz für eine Fotoshow: was dort liegt, "
               "sieht jeder, der die Adresse kennt. Bitte „Nur mit Passwort sichtbar“ abschalten "
               "oder einen Webserver über SFTP oder FTPS wählen; es wurde nichts gesendet.";
    case FailureKind::S3Answer:
        return "Der Objektspeicher „" + facts.host + "“ antwortet nicht, wie es S3 verlangt" +
               inBrackets(facts.reason) + ". Bitte den Endpunkt prüfen.";
    case FailureKind::ForeignServerFile:
        return "Im Zielordner liegt schon eine Datei „" + facts.path +
               "“, die nicht Bildertafel geschrieben hat. Bildertafel überschreibt sie nicht; es "
               "wurde nichts gesendet. Bitte sie auf dem Server entfernen oder umbenennen, wenn "
               "sie nicht mehr gebraucht wird, oder einen anderen Zielordner wählen.";
    default:
        return {};
    }
}

} // namespace

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

std::string passphraseQuestion(const std::string& keyFile, bool again) {
    return std::string(again ? "Die Passphrase passt nicht. " : "") + "Die Schlüsseldatei „" +
           keyFile +
           "“ ist mit einer Passphrase geschützt. Bitte die Passphrase eingeben (sie wird nicht "
           "gespeichert):";
}

std::string checkLine(CheckFinding finding, const std::string& told, long status,
                      const std::string& reason) {
    const std::string address = shownReason(told);
    const std::string answers = address + " antwortet " + std::to_string(status);
    switch (finding) {
    case CheckFinding::Protected:
        return "Geschützt: ohne Passwort antwortet der Server 401, mit Passwort 200.";
    case CheckFinding::ProtectedWithoutLogin:
        return "Geschützt: ohne Passwort antwortet der Server 401.";
    case CheckFinding::Online:
        return "Online: " + answers + ".";
    case CheckFinding::Ended:
        return "Nicht mehr sichtbar: das Enddatum ist vorbei, " + answers + ".";
    case CheckFinding::Unreachable:
        return "Die Prüfung von außen erreicht " + address + " nicht" +
               inBrackets(shownReason(reason)) +
               ". Stimmt die Web-Adresse? Die Dateien sind gesendet.";
    case CheckFinding::StartPageMissing:
        return "Die Startseite fehlt: " + answers +
               ". Bitte prüfen, ob die Web-Adresse zum Zielordner gehört.";
    case CheckFinding::OpenWithoutPassword:
        return "Die Bilder sind ohne Passwort erreichbar: der Server beachtet die .htaccess nicht "
               "(" +
               answers +
               " ohne Passwort). Bitte beim Anbieter nachfragen, ob .htaccess-Dateien erlaubt "
               "sind (AllowOverride AuthConfig), oder die Fotoshow dort auf anderem Weg schützen.";
    case CheckFinding::VisibleAfterEnd:
        return "Die Fotoshow ist nach ihrem Enddatum noch sichtbar: der Server beachtet die "
               ".htaccess nicht (" +
               answers + "). Bitte die Dateien auf dem Server löschen.";
    case CheckFinding::PasswordFileNotFound:
        return "Der Server antwortet 500: der Pfad der .htpasswd stimmt wohl nicht (" + answers +
               "). Bitte den Pfad auf dem Server prüfen; die Hilfe des Anbieters nennt ihn.";
    case CheckFinding::ServerError:
        return "Der Server antwortet 500: er lässt die Angaben der .htaccess wohl nicht zu (" +
               answers + ").";
    case CheckFinding::PasswordFileReadable:
        return "Die .htpasswd ist ohne Passwort lesbar: " + answers +
               ". Der Server schützt versteckte Dateien nicht; bitte beim Anbieter nachfragen.";
    case CheckFinding::RecordReadable:
        return "Die Liste der veröffentlichten Dateien ist ohne Passwort lesbar: " + answers +
               ". Der Server schützt versteckte Dateien nicht; bitte beim Anbieter nachfragen.";
    case CheckFinding::PasswordRefused:
        return "Mit Passwort antwortet der Server 401: er nimmt das Passwort nicht an (" + address +
               ").";
    case CheckFinding::UnexpectedStatus:
        return "Unerwartete Antwort: " + answers + ".";
    }
    return {};
}

std::string charsetWarning(const std::string& address, const std::string& charset) {
    return "Warnung: " + shownReason(address) + " kommt mit dem Zeichensatz „" +
           shownReason(charset) +
           "“ an, die Seiten sind aber in Windows-1252 geschrieben: Umlaute erscheinen falsch. "
           "Der Server beachtet die .htaccess wohl nicht (AddCharset).";
}

std::string foreignAccessFileWarning() {
    return "Hinweis: Im Zielordner liegt eine .htaccess, die nicht Bildertafel geschrieben hat; "
           "sie bleibt, wie sie ist. Bildertafel teilt dem Server deshalb nicht mit, dass die "
           "Seiten in Windows-1252 geschrieben sind.";
}

std::string failureText(const FailureFacts& told, const ControlNames& controls) {
    FailureFacts facts = told;
    // The module's and the program's own reasons are German already and shown whole.
    if (told.kind != FailureKind::NoTransferModule && told.kind != FailureKind::Unexpected) {
        facts.reason = shownReason(told.reason);
    }
    if (std::string text = plainText(facts, controls); !text.empty()) {
        return text;
    }
    const std::string what = stepText(facts.step, facts.path);
    // The sentence goes on after the step, or begins without one.
    const auto said = [&](const std::string& rest) {
        if (what.empty()) {
            std::string sentence = rest;
            sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
            return sentence;
        }
        return what + ": " + rest;
    };
    switch (facts.kind) {
    case FailureKind::DiskFull:
        return said("der Speicherplatz auf dem Server ist voll. Bitte Platz schaffen oder den "
                    "Speicher beim Anbieter erweitern.");
    case FailureKind::ServerWriteError:
        return said("der Server meldet einen Fehler beim Schreiben auf seinen Speicher" +
                    inBrackets(facts.reason) +
                    ", meist weil der Speicherplatz auf dem Server voll ist. Bitte Platz schaffen "
                    "oder den Speicher beim Anbieter erweitern.");
    case FailureKind::TransferBrokenOff:
        return said("der Server hat die Übertragung abgebrochen" + inBrackets(facts.reason) +
                    " und antwortet weiter, meist weil der Speicherplatz auf dem Server voll "
                    "ist. Bitte dort Platz schaffen oder beim Anbieter nachfragen und noch einmal "
                    "veröffentlichen; was schon oben ist, wird nicht noch einmal gesendet.");
    case FailureKind::PermissionDenied:
        return said("der Server verweigert den Zugriff. Bitte den Ordner in der Adresse und die "
                    "Rechte auf dem Server prüfen" +
                    inBrackets(facts.reason) + ".");
    case FailureKind::RefusedWithoutWhy:
        return said("der Server lehnt das ab, ohne einen Grund zu nennen. Entweder ist der "
                    "Speicherplatz auf dem Server voll, oder dort steht schon etwas mit demselben "
                    "Namen, etwa ein Ordner. Bitte auf dem Server nachsehen.");
    case FailureKind::RefusedSpaceLeft:
        return said("der Server lehnt das ab, ohne einen Grund zu nennen; Platz ist genug frei. "
                    "Meist steht dort schon etwas mit demselben Namen, etwa ein Ordner, oder die "
                    "Datei ist auf dem Server gesperrt. Bitte auf dem Server nachsehen.");
    case FailureKind::ServerStatus:
        return said(statusText(facts.status) + " (SFTP-Status " + std::to_string(facts.status) +
                    ").");
    case FailureKind::S3Status:
        return said("der Objektspeicher antwortet mit HTTP-Status " + std::to_string(facts.status) +
                    inBrackets(facts.reason) + ". " + TryAgain);
    case FailureKind::ConnectionLost:
    default:
        return said("die Verbindung zum Server ist abgebrochen" + inBrackets(facts.reason) + ". " +
                    TryAgain);
    }
}

std::string startPageNotInShow(const std::string& startPage, const std::string& showFolder,
                               const ControlNames& controls) {
    return "Die Startseite „" + startPage + "“ liegt nicht im Ordner der Fotoshow „" + showFolder +
           "“. Bitte zuerst " +
           (controls.makePages.empty() ? std::string("die Seiten erstellen") : controls.makePages) +
           " oder eine vorhandene Startseite wählen.";
}

std::string pageUnreadable(const std::string& page, bool unclosed) {
    return unclosed ? "Die Seite „" + page +
                          "“ lässt sich nicht lesen: ein Anführungszeichen oder ein Kommentar wird "
                          "nicht geschlossen. Bitte die Seite neu erstellen."
                    : "Die Seite „" + page +
                          "“ lässt sich nicht lesen. Bitte die Rechte der Datei prüfen.";
}

std::string missingLinksRefusal(const std::string& notice) {
    return notice + "\nBitte die Seiten neu erstellen oder die fehlenden Dateien ergänzen; es "
                    "wurde nichts veröffentlicht.";
}

std::string leftOutWarning(const std::string& page, const std::string& link,
                           const std::string& reason) {
    return "Warnung: " + page + ": " + link + " " + reason + " und wird nicht veröffentlicht";
}

std::string unsendableNotice(const std::vector<PlannedFile>& refused) {
    std::string text = refused.size() == 1 ? "Diese Datei lässt sich per FTP nicht senden, weil "
                                             "ihr Name einen Zeilenumbruch enthält:"
                                           : "Diese Dateien lassen sich per FTP nicht senden, weil "
                                             "ihre Namen Zeilenumbrüche enthalten:";
    for (const PlannedFile& file : refused) {
        std::string shown;
        for (const char c : file.path) {
            shown += c == '\n'   ? std::string("\\n")
                     : c == '\r' ? std::string("\\r")
                                 : std::string(1, c);
        }
        text += " „" + shown + "“";
    }
    return text + ".";
}

std::string unsendableRefusal(const std::vector<PlannedFile>& refused) {
    return unsendableNotice(refused) +
           " Bitte die Dateien umbenennen und die Seiten neu erstellen; es wurde nichts "
           "veröffentlicht.";
}

std::string recordTooLargeWarning(std::string_view name) {
    return "Warnung: Die Liste „" + std::string(name) +
           "“ auf dem Server ist zu groß und wird nicht gelesen; alle Dateien werden gesendet, "
           "keine gelöscht.";
}

std::string recordUnreadableWarning(std::string_view name) {
    return "Warnung: Die Liste „" + std::string(name) +
           "“ auf dem Server lässt sich nicht lesen; alle Dateien werden gesendet, keine "
           "gelöscht.";
}

std::string cancelledMessage(std::size_t filesSent) {
    return "Abgebrochen. Schon auf dem Server: " + files(filesSent) +
           "; das nächste Veröffentlichen sendet den Rest.";
}

std::string publishSummary(const Result& result, bool dryRun) {
    if (dryRun) {
        std::string text = "Probelauf: " + files(result.plan.send.size()) + " (" +
                           core::byteSizeText(result.plan.sendBytes) + ") " +
                           (result.plan.send.size() == 1 ? "würde" : "würden") + " gesendet, " +
                           std::to_string(result.plan.remove.size()) + " entfernt.";
        if (!result.plan.keptUnneeded.empty()) {
            text += " " + files(result.plan.keptUnneeded.size()) +
                    (result.plan.keptUnneeded.size() == 1
                         ? " wird nicht mehr gebraucht und bleibt auf dem Server."
                         : " werden nicht mehr gebraucht und bleiben auf dem Server.");
        }
        if (!result.plan.unsendable.empty()) {
            text += " " + unsendableNotice(result.plan.unsendable);
        }
        return text;
    }
    if (result.filesSent == 0 && result.filesRemoved == 0) {
        return "Die Fotoshow ist schon auf dem Server; keine Datei gesendet.";
    }
    return files(result.filesSent) + " gesendet (" + core::byteSizeText(result.bytesSent) + "), " +
           std::to_string(result.filesRemoved) + " entfernt.";
}

} // namespace bildertafel::publish
