#pragma once

#include <string>
#include <string_view>

namespace bildertafel::publish::ftp {

// The FTP server's reply codes that the transport acts on (RFC 959, RFC 2389, RFC 2428).

// "211-Features:": FEAT lists what the server offers beyond the basics.
inline constexpr std::string_view FeaturesFollow = "211";
// "227 Entering Passive Mode", "229 Entering Extended Passive Mode": a data connection is due.
inline constexpr std::string_view PassiveMode = "227";
inline constexpr std::string_view ExtendedPassiveMode = "229";
// The first digits of a reply that ends the wait for a data connection: "150" the transfer
// begins, "4xx" and "5xx" it is refused.
inline constexpr std::string_view TransferBeginsOrRefused = "145";

// The transfer begins: "125 Data connection already open", "150 Ok to send data".
inline constexpr long TransferStarting = 125;
inline constexpr long FileStatusOkay = 150;
// The server closes the connection: too many connections, or idle too long.
inline constexpr long ServiceClosing = 421;
// The transfer was broken off; a local error of the server.
inline constexpr long TransferAborted = 426;
inline constexpr long LocalError = 451;
// Not enough room for the file right now.
inline constexpr long StorageNowFull = 452;
// Syntax errors, commands not understood or not implemented (500 to 504): a server without
// MLSD says one of them.
inline constexpr long FirstNotUnderstood = 500;
inline constexpr long LastNotUnderstood = 504;
// No such file or no access to it.
inline constexpr long FileUnavailable = 550;
// The space of the user or of the server is used up.
inline constexpr long StorageExceeded = 552;
// The name is not allowed, or the file cannot be made.
inline constexpr long NameNotAllowed = 553;

// A transfer broken off or a local error whose words are the system's for a full disk
// or a used-up quota ("426 No space left on device; transfer aborted."): many servers say no
// more for it.
inline bool tellsOfFullDisk(long response, std::string_view reason) {
    if (response != TransferAborted && response != LocalError) {
        return false;
    }
    std::string lower;
    for (const char c : reason) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    for (const std::string_view words :
         {"no space left", "disk full", "quota exceeded", "disk quota", "errno 28"}) {
        if (lower.find(words) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace bildertafel::publish::ftp
