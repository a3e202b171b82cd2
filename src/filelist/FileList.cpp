#include "filelist/FileList.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace bildertafel::filelist {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

unsigned char folded(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// The end of the run that starts at pos: all digits or all other characters.
std::size_t runEnd(std::string_view s, std::size_t pos) {
    const bool digits = isDigit(s[pos]);
    while (pos < s.size() && isDigit(s[pos]) == digits) {
        ++pos;
    }
    return pos;
}

// Compares two digit runs by value: leading zeros do not count, then the longer is larger.
int compareNumbers(std::string_view a, std::string_view b) {
    const auto strip = [](std::string_view s) {
        const std::size_t first = s.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : s.substr(first);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = folded(a[i]);
        const unsigned char y = folded(b[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return 0;
}

int compareListOrder(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool aDigits = isDigit(a[i]);
        const bool bDigits = isDigit(b[j]);
        if (aDigits != bDigits) {
            return aDigits ? -1 : 1;
        }
        const std::size_t aEnd = runEnd(a, i);
        const std::size_t bEnd = runEnd(b, j);
        const std::string_view aRun = a.substr(i, aEnd - i);
        const std::string_view bRun = b.substr(j, bEnd - j);
        const int c = aDigits ? compareNumbers(aRun, bRun) : compareText(aRun, bRun);
        if (c != 0) {
            return c;
        }
        i = aEnd;
        j = bEnd;
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

bool matchesPattern(std::string_view name, std::string_view pattern) {
    if (pattern.starts_with('*')) {
        pattern.remove_prefix(1);
    }
    if (name.size() < pattern.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - pattern.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (folded(tail[i]) != folded(pattern[i])) {
            return false;
        }
    }
    return true;
}

bool listOrderLess(std::string_view a, std::string_view b) {
    return compareListOrder(a, b) < 0;
}

void sortInListOrder(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return listOrderLess(a, b); });
}

namespace {

// Calls visit(entry, folder's descriptor) for every entry of the folder but "." and "..". On
// failure sets error and returns false; visit may have seen some entries by then.
template <typename Visit>
bool visitEntries(const std::filesystem::path& folder, std::error_code& error, Visit visit) {
    error.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    const int dirFd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                error = std::error_code(errno, std::generic_category());
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            visit(*entry, dirFd);
        }
    }
    ::closedir(dir);
    return !error;
}

} // namespace

FolderEntries readFolder(const std::filesystem::path& folder, std::error_code& error) {
    FolderEntries entries;
    const bool read = visitEntries(folder, error, [&entries](const dirent& entry, int dirFd) {
        const std::string_view name(entry.d_name);
        if (name.starts_with('.')) {
            return;
        }
        bool isFolder = entry.d_type == DT_DIR;
        if (entry.d_type == DT_UNKNOWN || entry.d_type == DT_LNK) {
            // A link counts as what it points to; a broken one is no folder.
            struct stat info {};
            isFolder = ::fstatat(dirFd, entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        (isFolder ? entries.folders : entries.files).emplace_back(name);
    });
    if (!read) {
        return {};
    }
    sortInListOrder(entries.folders);
    return entries;
}

void forEachName(const std::filesystem::path& folder,
                 const std::function<void(std::string_view)>& visit, std::error_code& error) {
    visitEntries(folder, error,
                 [&visit](const dirent& entry, int) { visit(std::string_view(entry.d_name)); });
}

std::vector<std::string> filesMatching(const std::vector<std::string>& files,
                                       std::string_view pattern) {
    std::vector<std::string> names;
    for (const std::string& name : files) {
        if (matchesPattern(name, pattern)) {
            names.push_back(name);
        }
    }
    sortInListOrder(names);
    return names;
}

std::vector<std::string> listFolderFiles(const std::filesystem::path& folder,
                                         const std::function<bool(std::string_view)>& wanted,
                                         std::error_code& error) {
    std::vector<std::string> names;
    for (std::string& name : readFolder(folder, error).files) {
        if (wanted(name)) {
            names.push_back(std::move(name));
        }
    }
    sortInListOrder(names);
    return names;
}

std::vector<std::string> listFolder(const std::filesystem::path& folder, std::string_view pattern,
                                    std::error_code& error) {
    return filesMatching(readFolder(folder, error).files, pattern);
}

} // namespace bildertafel::filelist
