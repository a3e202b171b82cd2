#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::core {

// Checksums are written in lower case, percent escapes in upper case (as RFC 3986 asks).
enum class HexCase { Lower, Upper };

// The value of a hex digit in either case; -1 for any other character.
inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

inline void appendHexByte(std::string& out, unsigned char byte, HexCase letters) {
    const char* digits = letters == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

inline std::string hexText(const unsigned char* bytes, std::size_t count, HexCase letters) {
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        appendHexByte(text, bytes[i], letters);
    }
    return text;
}

// "%2F" for the byte.
inline void appendPercentEscape(std::string& out, unsigned char byte) {
    out += '%';
    appendHexByte(out, byte, HexCase::Upper);
}

// text with every byte for which escaped(byte) holds written as "%XX".
template <typename Escaped>
std::string percentEncoded(std::string_view text, Escaped escaped) {
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (escaped(byte)) {
            appendPercentEscape(encoded, byte);
        } else {
            encoded += c;
        }
    }
    return encoded;
}

// Letters, digits, "-._~" and what keep names stay as they are; everything else is escaped, as
// in an address.
inline std::string addressEncoded(std::string_view text, std::string_view keep) {
    return percentEncoded(text, [keep](unsigned char byte) {
        const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= 'A' && byte <= 'Z');
        const char c = static_cast<char>(byte);
        return !alnum && std::string_view("-._~").find(c) == std::string_view::npos &&
               keep.find(c) == std::string_view::npos;
    });
}

// Whether "%00" may stand in a text to decode.
enum class PercentNul { Allowed, Refused };

// text with every "%XX" decoded; nothing when a "%" is not followed by two hex digits (or, when
// refused, stands for the byte 0).
inline std::optional<std::string> percentDecoded(std::string_view text, PercentNul nul) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0 || (nul == PercentNul::Refused && high == 0 && low == 0)) {
            return std::nullopt;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

} // namespace bildertafel::core
