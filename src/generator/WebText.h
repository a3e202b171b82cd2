#pragma once

#include <string>
#include <string_view>

namespace bildertafel::generator {

// Appends a name or path for an href or src value, in printable ASCII only: every other byte is
// percent-encoded (the UTF-8 bytes of a character, the raw byte of a name that is no UTF-8), so
// the link names the same file whatever character set the server declares for the page. "%", "#"
// and "?" would change what the link names and are percent-encoded too; "&" and the double quote
// become character references. A blank stays a blank.
void appendUrlAttribute(std::string& out, std::string_view text);

// Appends text for any other attribute value: "&" and the double quote become character
// references, so that a file name cannot end the value and add an attribute of its own.
void appendAttribute(std::string& out, std::string_view text);

// Appends words of the photographer (UTF-8) as text of a page or of an attribute value, in
// printable ASCII: "<", ">", "&" and the double quote become character references, every other
// character outside ASCII a numeric one ("&#252;"; bytes that are no UTF-8 "&#65533;"), and each
// line break becomes lineBreak (already HTML). So the words read the same whatever character set
// a server declares for the Windows-1252 page, and can never be taken for markup.
void appendWords(std::string& out, std::string_view utf8, std::string_view lineBreak);

// The web path from the show folder to a folder inside it: the part of the folder's path below
// the show folder, ending in "/". Both paths end in "/", and the folder begins with the show
// folder.
std::string webPathBelow(std::string_view showFolder, std::string_view folder);

// "../" once for each folder level of a web path ("a/b/" gives "../../").
std::string climbOut(std::string_view webPath);

} // namespace bildertafel::generator
