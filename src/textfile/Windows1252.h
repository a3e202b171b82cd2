#pragma once

#include <string>
#include <string_view>

namespace bildertafel::textfile {

// Text in memory is UTF-8; files on disk hold one Windows-1252 byte per character.

// Appends the Windows-1252 bytes of a UTF-8 text. A character the code page cannot hold is
// written as the decimal character reference "&#N;" (all files written are HTML or hold HTML),
// a byte that is not valid UTF-8 as "&#65533;". The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081, U+008D, U+008F, U+0090, U+009D and come back
// as those bytes, so every byte value survives a read and a write.
void appendWindows1252(std::string& out, std::string_view utf8);

// Appends the UTF-8 bytes of one code point.
void appendUtf8(std::string& out, char32_t cp);

// The number of bytes of the valid UTF-8 character that starts at pos, or 0 when the bytes there
// are not one (a file name from a disk written in another character set).
std::size_t utf8CharacterLength(std::string_view text, std::size_t pos);
// True when the whole text is valid UTF-8: no overlong forms, no surrogates, nothing cut short.
bool isUtf8(std::string_view text);

// Decodes Windows-1252 bytes into UTF-8; every byte value maps to exactly one character.
void appendFromWindows1252(std::string& out, std::string_view bytes);
std::string fromWindows1252(std::string_view bytes);

} // namespace bildertafel::textfile
