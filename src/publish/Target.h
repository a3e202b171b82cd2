#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::publish {

enum class Protocol {
    Sftp, // SSH file transfer, port 22
    Ftps, // FTP with explicit TLS (AUTH TLS on the usual port 21)
    Ftp,  // plain FTP: names and password travel unencrypted, only after the user confirmed
    S3,   // an S3-compatible object store over HTTPS; endpoint and keys in PublishOptions::s3
};

// Where a show goes: "sftp://user@host[:port]/folder", "ftps://…", "ftp://…", or
// "s3://bucket/prefix" (host: the bucket, folder: the prefix, no user and no port).
struct Target {
    Protocol protocol = Protocol::Sftp;
    std::string user; // percent-decoded; may be empty (the user of the system, for SFTP)
    std::string host; // a name, an IPv4 address or an IPv6 address without brackets
    int port = 0;     // 0: the protocol's usual port
    // The folder on the server, percent-decoded, without a trailing "/". SFTP: "/srv/www" is
    // absolute, "~/www" (written "sftp://h/~/www") lies below the user's home folder, as curl
    // and scp name them. FTP and FTPS: below the folder the server starts the login in; an
    // empty folder is that folder itself.
    std::string folder;

    bool operator==(const Target&) const = default;
};

// The target of an address, or a German message that says what is wrong with it
// ("Die Adresse … ist ungültig: …").
struct TargetParse {
    std::optional<Target> target;
    std::string error;
};
TargetParse parseTarget(std::string_view address);

// The address of a target as parseTarget takes it back (to remember it), with every byte that
// an address cannot hold percent-encoded.
std::string targetAddress(const Target& target);

// The port a connection uses: the target's, else 22 for SFTP, 21 for FTP and FTPS, and 443 for
// S3 (whose endpoint names its own).
int effectivePort(const Target& target);

} // namespace bildertafel::publish
