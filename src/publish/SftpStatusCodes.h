#pragma once

#include <cstdint>

namespace bildertafel::publish::sftp {

// The status codes of an SFTP reply: those of version 3 of the protocol, which every server
// speaks, and the later ones that some servers send anyway.
inline constexpr std::uint32_t Ok = 0;
inline constexpr std::uint32_t EndOfFile = 1;
inline constexpr std::uint32_t NoSuchFile = 2;
inline constexpr std::uint32_t PermissionDenied = 3;
inline constexpr std::uint32_t GenericFailure = 4; // no reason given
inline constexpr std::uint32_t BadMessage = 5;
inline constexpr std::uint32_t NoConnection = 6;
inline constexpr std::uint32_t ConnectionLost = 7;
inline constexpr std::uint32_t Unsupported = 8;
// Later versions:
inline constexpr std::uint32_t InvalidHandle = 9;
inline constexpr std::uint32_t NoSuchPath = 10;
inline constexpr std::uint32_t AlreadyThere = 11;
inline constexpr std::uint32_t WriteProtect = 12;
inline constexpr std::uint32_t NoMedia = 13;
inline constexpr std::uint32_t NoSpaceOnFilesystem = 14;
inline constexpr std::uint32_t QuotaExceeded = 15;

} // namespace bildertafel::publish::sftp
