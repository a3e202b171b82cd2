#include "filelist/FolderPath.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace bildertafel::filelist {

namespace {

namespace fs = std::filesystem;

// The folder made absolute, with links resolved as far as it exists and without a trailing "/".
fs::path comparable(std::string_view folder) {
    std::error_code ignored;
    fs::path path = fs::absolute(fs::path(folder), ignored).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    const fs::path resolved = fs::weakly_canonical(path, ignored);
    return resolved.empty() ? path : resolved;
}

} // namespace

std::string normalizedFolderPath(std::string_view path, std::string_view base) {
    std::string full;
    if (!path.starts_with('/')) {
        full = base;
        full += '/';
    }
    full += path;
    std::vector<std::string_view> parts;
    const std::string_view text(full);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            // Above the root there is nothing: "/.." is "/".
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        parts.push_back(part);
    }
    if (parts.empty()) {
        return "/";
    }
    std::string normalized;
    for (const std::string_view part : parts) {
        normalized += '/';
        normalized += part;
    }
    return normalized;
}

std::string withTrailingSeparator(std::string folder) {
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

bool isSameFolder(std::string_view a, std::string_view b) {
    std::error_code error;
    const fs::path first(a);
    const fs::path second(b);
    if (fs::exists(first, error) && fs::exists(second, error)) {
        return fs::equivalent(first, second, error);
    }
    return comparable(a) == comparable(b);
}

} // namespace bildertafel::filelist
