#include "textfile/Windows1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace bildertafel::textfile {
namespace {

// Code points of the bytes 0x80 to 0x9F. The five bytes the code page leaves undefined stand
// for the C1 control of the same value, so that they survive a read and a write.
constexpr std::array<char32_t, 32> HighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t Invalid = 0xFFFFFFFF;

// Returns the byte for a code point, or -1 when the code page has none.
int byteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

// Decodes one UTF-8 character at pos and advances pos; returns Invalid for a malformed sequence
// (advancing by one byte).
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return Invalid;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return Invalid;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return Invalid;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return Invalid;
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

void appendReference(std::string& out, char32_t cp) {
    out += "&#";
    out += std::to_string(static_cast<std::uint32_t>(cp));
    out += ';';
}

bool isAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

// Runs of ASCII, the same bytes in both encodings and by far the most common case, are copied in
// one go: appends the run that starts at pos and moves pos past it. Eight bytes are looked at a
// time while none of them has its high bit set.
void appendAsciiRun(std::string& out, std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    constexpr std::uint64_t HighBits = 0x8080808080808080ULL;
    while (pos + sizeof(std::uint64_t) <= text.size()) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + pos, sizeof word);
        if ((word & HighBits) != 0) {
            break;
        }
        pos += sizeof word;
    }
    while (pos < text.size() && isAscii(text[pos])) {
        ++pos;
    }
    out.append(text.substr(start, pos - start));
}

} // namespace

void appendWindows1252(std::string& out, std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        appendAsciiRun(out, utf8, pos);
        if (pos == utf8.size()) {
            break;
        }
        const char32_t cp = nextCodePoint(utf8, pos);
        if (cp == Invalid) {
            appendReference(out, 0xFFFD);
            continue;
        }
        const int b = byteFor(cp);
        if (b >= 0) {
            out += static_cast<char>(b);
        } else {
            appendReference(out, cp);
        }
    }
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t utf8CharacterLength(std::string_view text, std::size_t pos) {
    std::size_t next = pos;
    return nextCodePoint(text, next) == Invalid ? 0 : next - pos;
}

bool isUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (nextCodePoint(text, pos) == Invalid) {
            return false;
        }
    }
    return true;
}

void appendFromWindows1252(std::string& out, std::string_view bytes) {
    // Room is made at once (a byte from 0x80 on takes at most three bytes), so that a line of
    // many megabytes is not copied again and again while it grows.
    std::size_t high = 0;
    for (const char c : bytes) {
        high += isAscii(c) ? 0 : 1;
    }
    out.reserve(out.size() + bytes.size() + 2 * high);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        appendAsciiRun(out, bytes, pos);
        if (pos == bytes.size()) {
            break;
        }
        const auto b = static_cast<unsigned char>(bytes[pos++]);
        if (b < 0xA0) {
            appendUtf8(out, HighControls[b - 0x80]);
        } else {
            appendUtf8(out, b);
        }
    }
}

std::string fromWindows1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    appendFromWindows1252(out, bytes);
    return out;
}

} // namespace bildertafel::textfile
