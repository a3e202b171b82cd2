#pragma once

#include <string>
#include <string_view>

namespace bildertafel::core {

// Paths below a show or target folder, "/"-separated, "" for the folder itself.

// The folder a path lies in: "bilder/a.jpg" -> "bilder", "index.html" -> "".
inline std::string folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

// The last part of a path: "bilder/a.jpg" -> "a.jpg".
inline std::string nameOf(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

// A name in a folder: "" + "a.jpg" -> "a.jpg", "bilder" + "a.jpg" -> "bilder/a.jpg".
inline std::string inFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty()) {
        path += '/';
    }
    path += name;
    return path;
}

// A name (from a server's listing) that names one entry of its folder and nothing else.
inline bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

} // namespace bildertafel::core
