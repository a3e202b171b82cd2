#include "publish/Target.h"

#include "core/AsciiText.h"
#include "core/HexCoding.h"

#include <cctype>
#include <charconv>

namespace bildertafel::publish {

namespace {

TargetParse invalid(std::string_view address, std::string_view reason) {
    std::string error = "Die Adresse „";
    error += address;
    error += "“ ist ungültig: ";
    error += reason;
    error += '.';
    return {std::nullopt, std::move(error)};
}

// The steps of parseTarget(), each reading its part of the address into target; a refusal
// when the part is wrong.
using Refusal = std::optional<TargetParse>;

// "sftp://", "ftps://" or "ftp://"; rest: what follows.
Refusal readScheme(std::string_view address, Target& target, std::string_view& rest) {
    if (core::startsWithNoCase(address, "sftp://")) {
        target.protocol = Protocol::Sftp;
        rest = address.substr(7);
    } else if (core::startsWithNoCase(address, "ftps://")) {
        target.protocol = Protocol::Ftps;
        rest = address.substr(7);
    } else if (core::startsWithNoCase(address, "ftp://")) {
        target.protocol = Protocol::Ftp;
        rest = address.substr(6);
    } else if (core::startsWithNoCase(address, "s3://")) {
        target.protocol = Protocol::S3;
        rest = address.substr(5);
    } else {
        return invalid(address, "sie muss mit sftp://, ftps://, ftp:// oder s3:// beginnen");
    }
    if (rest.find_first_of("?#") != std::string_view::npos) {
        return invalid(address, "„?“ und „#“ gehören nicht hinein, im Ordnernamen als %3F und %23");
    }
    if (rest.find_first_of(" \t\r\n") != std::string_view::npos) {
        return invalid(address, "Leerzeichen werden als %20 geschrieben");
    }
    return std::nullopt;
}

// "user@" at the start of authority, which then holds the rest.
Refusal readUser(std::string_view address, std::string_view& authority, Target& target) {
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view user = authority.substr(0, at);
    if (const std::size_t colon = user.find(':'); colon != std::string_view::npos) {
        // The message does not repeat the password.
        const auto from = static_cast<std::size_t>(user.data() - address.data()) + colon + 1;
        const std::string shown = std::string(address.substr(0, from)) + "…" +
                                  std::string(address.substr(from + user.size() - colon - 1));
        return invalid(shown, "ein Passwort gehört nicht in die Adresse, Bildertafel fragt danach");
    }
    const auto decoded = core::percentDecoded(user, core::PercentNul::Refused);
    if (!decoded) {
        return invalid(address, "nach einem „%“ müssen zwei Hexadezimalziffern folgen");
    }
    target.user = *decoded;
    authority.remove_prefix(at + 1);
    return std::nullopt;
}

// "host", "host:port", "[IPv6]" or "[IPv6]:port".
Refusal readHostAndPort(std::string_view address, std::string_view authority, Target& target) {
    constexpr std::string_view BadPort = "die Portnummer muss eine Zahl von 1 bis 65535 sein";
    std::string_view portText;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return invalid(address,
                           "die eckige Klammer um die IPv6-Adresse wird nicht geschlossen");
        }
        target.host = authority.substr(1, close - 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && !after.starts_with(':')) {
            return invalid(address, "nach der IPv6-Adresse darf nur „:Port“ folgen");
        }
        portText = after.empty() ? after : after.substr(1);
        if (!after.empty() && portText.empty()) {
            return invalid(address, BadPort);
        }
    } else {
        const std::size_t colon = authority.find(':');
        target.host = authority.substr(0, colon);
        if (colon != std::string_view::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty()) {
                return invalid(address, BadPort);
            }
        }
    }
    if (target.host.empty()) {
        return invalid(address, "der Name des Servers fehlt");
    }
    if (!portText.empty()) {
        int port = 0;
        const auto [end, error] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port < 1 ||
            port > 65535) {
            return invalid(address, BadPort);
        }
        target.port = port;
    }
    return std::nullopt;
}

// The path after the authority, as the protocol reads it.
Refusal readFolder(std::string_view address, std::string_view path, Target& target) {
    auto folder = core::percentDecoded(path, core::PercentNul::Refused);
    if (!folder) {
        return invalid(address, "nach einem „%“ müssen zwei Hexadezimalziffern folgen");
    }
    while (folder->size() > 1 && folder->back() == '/') {
        folder->pop_back();
    }
    if (target.protocol == Protocol::Sftp) {
        // "/~/www" and "/~" lie below the home folder, anything else is absolute.
        if (folder->empty() || *folder == "/~") {
            *folder = "~";
        } else if (folder->starts_with("/~/")) {
            folder->erase(0, 1);
        }
    } else if (!folder->empty()) {
        // FTP paths lie below the login folder; "/%2Fsrv" is the absolute "/srv". An object
        // store's prefix is no path of a file system: it starts after the bucket.
        folder->erase(0, 1);
    }
    target.folder = std::move(*folder);
    return std::nullopt;
}

// Bucket names as every provider takes them (3 to 63 lower-case letters, digits, dots and
// hyphens); the prefix holds no empty, "." or ".." part, since a key is never a path to clean.
Refusal checkObjectStore(std::string_view address, std::string_view authority, Target& target) {
    if (authority.find_first_of("@:[") != std::string_view::npos) {
        return invalid(address,
                       "nach s3:// folgt nur der Name des Buckets, ohne Benutzer und Port");
    }
    target.host = authority;
    const bool nameFits = target.host.size() >= 3 && target.host.size() <= 63 &&
                          target.host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") ==
                              std::string::npos &&
                          std::isalnum(static_cast<unsigned char>(target.host.front())) != 0 &&
                          std::isalnum(static_cast<unsigned char>(target.host.back())) != 0;
    if (!nameFits) {
        return invalid(address, "der Name des Buckets besteht aus 3 bis 63 Kleinbuchstaben, "
                                "Ziffern, Punkten und Bindestrichen");
    }
    std::string_view prefix = target.folder;
    while (!prefix.empty()) {
        const std::size_t slash = prefix.find('/');
        const std::string_view part = prefix.substr(0, slash);
        if (part.empty() || part == "." || part == "..") {
            return invalid(address, "das Präfix enthält einen leeren Teil, „.“ oder „..“");
        }
        if (part.find_first_of("\r\n") != std::string_view::npos) {
            return invalid(address, "ein Zeilenumbruch gehört nicht ins Präfix");
        }
        prefix = slash == std::string_view::npos ? std::string_view() : prefix.substr(slash + 1);
    }
    return std::nullopt;
}

} // namespace

TargetParse parseTarget(std::string_view address) {
    Target target;
    std::string_view rest;
    if (Refusal refused = readScheme(address, target, rest)) {
        return std::move(*refused);
    }
    const std::size_t pathAt = rest.find('/');
    std::string_view authority = rest.substr(0, pathAt);
    const std::string_view path =
        pathAt == std::string_view::npos ? std::string_view() : rest.substr(pathAt);
    Refusal refused;
    if (target.protocol == Protocol::S3) {
        refused = readFolder(address, path, target);
        if (!refused) {
            refused = checkObjectStore(address, authority, target);
        }
        return refused ? std::move(*refused) : TargetParse{std::move(target), {}};
    }
    refused = readUser(address, authority, target);
    if (!refused) {
        refused = readHostAndPort(address, authority, target);
    }
    if (!refused) {
        refused = readFolder(address, path, target);
    }
    return refused ? std::move(*refused) : TargetParse{std::move(target), {}};
}

std::string targetAddress(const Target& target) {
    if (target.protocol == Protocol::S3) {
        return "s3://" + target.host +
               (target.folder.empty() ? "" : "/" + core::addressEncoded(target.folder, "/"));
    }
    std::string address = target.protocol == Protocol::Sftp   ? "sftp://"
                          : target.protocol == Protocol::Ftps ? "ftps://"
                                                              : "ftp://";
    if (!target.user.empty()) {
        address += core::addressEncoded(target.user, "");
        address += '@';
    }
    const bool ipv6 = target.host.find(':') != std::string::npos;
    address += ipv6 ? "[" + target.host + "]" : target.host;
    if (target.port != 0) {
        address += ':';
        address += std::to_string(target.port);
    }
    if (target.protocol == Protocol::Sftp) {
        if (target.folder == "~") {
            address += "/~";
        } else {
            address += target.folder.starts_with('~') ? "/" : "";
            address += core::addressEncoded(target.folder, "/");
        }
    } else if (!target.folder.empty()) {
        address += '/';
        if (target.folder.starts_with('/')) {
            address += "%2F";
            address += core::addressEncoded(std::string_view(target.folder).substr(1), "/");
        } else {
            address += core::addressEncoded(target.folder, "/");
        }
    }
    return address;
}

int effectivePort(const Target& target) {
    if (target.port != 0) {
        return target.port;
    }
    switch (target.protocol) {
    case Protocol::Sftp:
        return 22;
    case Protocol::S3:
        return 443;
    default:
        return 21;
    }
}

} // namespace bildertafel::publish
