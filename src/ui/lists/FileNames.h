#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace bildertafel::uilists {

// File names are bytes, the window shows text. A byte that is not part of a UTF-8 character (a
// disk or an archive written in Latin-1) is kept in the text as the code point U+DC80 to U+DCFF,
// which shows as a replacement character, so that every name comes back byte for byte.
QString fromFileName(std::string_view bytes);
std::string toFileName(const QString& text);

// The program's working folder, its bytes kept.
QString workingFolder();

} // namespace bildertafel::uilists
