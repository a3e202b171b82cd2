#pragma once

#include <string>
#include <string_view>

namespace bildertafel::filelist {

// Lexical clean-up of a folder path: made absolute against base, "." and ".." steps and repeated
// or trailing "/" removed; the root stays "/". Symbolic links are not resolved, so the user sees
// the path he chose.
std::string normalizedFolderPath(std::string_view path, std::string_view base = "/");

// The folder as a show's folders are held: with one trailing "/", so the root stays "/".
std::string withTrailingSeparator(std::string folder);

// True when both name the same folder: when both exist, the same folder on the disk (also
// through a link); otherwise the same path once links are followed as far as it exists.
bool isSameFolder(std::string_view a, std::string_view b);

} // namespace bildertafel::filelist
