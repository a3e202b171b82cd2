#pragma once

#include <string>
#include <string_view>

namespace bildertafel::generator {

// Appends a name or path for an href or src value: "%", "#" and "?" would change what the link
// names, so they are percent-encoded, as are bytes that are no UTF-8 character; then "&" and the
// double quote become character references.
void appendUrlAttribute(std::string& out, std::string_view text);

// Appends text for any other attribute value: "&" and the double quote become character
// references, so that a file name cannot end the value and add an attribute of its own.
void appendAttribute(std::string& out, std::string_view text);

// The web path from the show folder to a folder inside it: the part of the folder's path below
// the show folder, ending in "/". Both paths end in "/", and the folder begins with the show
// folder.
std::string webPathBelow(std::string_view showFolder, std::string_view folder);

// "../" once for each folder level of a web path ("a/b/" gives "../../").
std::string climbOut(std::string_view webPath);

} // namespace bildertafel::generator
