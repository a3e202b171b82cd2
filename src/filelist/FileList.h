#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace bildertafel::filelist {

// True when the name ends in the pattern's ".ext" (pattern "*.ext"), ASCII letters compared
// without regard to case, so that a camera's "IMG_01.JPG" matches "*.jpg".
bool matchesPattern(std::string_view name, std::string_view pattern);

// List order: names are split into runs of ASCII digits and runs of other characters and compared
// run by run; digit runs by numeric value, other runs character by character with A-Z folded to
// a-z; a digit run comes before another run; a name that is a prefix of the other comes first;
// still equal: plain byte order. "Bild 2.jpg" comes before "Bild 10.jpg".
bool listOrderLess(std::string_view a, std::string_view b);
void sortInListOrder(std::vector<std::string>& names);

// What one reading of a folder finds, hidden names left out: a link counts as what it points to.
struct FolderEntries {
    std::vector<std::string> files;   // in the order of the folder
    std::vector<std::string> folders; // in list order
};

// Reads the folder once: the kind of each entry comes with the listing, a stat is needed only
// where the file system does not tell it (and for links). On failure returns nothing and sets
// error.
FolderEntries readFolder(const std::filesystem::path& folder, std::error_code& error);

// Calls visit with every name the folder holds, hidden names and sub-folders included, in the
// order of the folder: everything a web server could find there. When the folder cannot be read,
// sets error (visit may have seen some names by then).
void forEachName(const std::filesystem::path& folder,
                 const std::function<void(std::string_view)>& visit, std::error_code& error);

// The names that match the pattern, in list order.
std::vector<std::string> filesMatching(const std::vector<std::string>& files,
                                       std::string_view pattern);

// The names of the files (not folders, not hidden names) in a folder that the predicate wants, in
// list order. On failure returns an empty list and sets error.
std::vector<std::string> listFolderFiles(const std::filesystem::path& folder,
                                         const std::function<bool(std::string_view)>& wanted,
                                         std::error_code& error);

// The names of the files (not folders, not hidden names) in a folder that match the pattern, in
// list order. On failure returns an empty list and sets error.
std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view pattern,
                                    std::error_code& error);

} // namespace bildertafel::filelist
