#include "TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace bildertafel::test {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "bildertafel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests take write permission away from folders; give it back so that everything goes.
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

namespace {

// The lines sorted by bytes, each ending in a line break.
std::string sortedLines(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string joined;
    for (const auto& line : lines) {
        joined += line;
        joined += '\n';
    }
    return joined;
}

} // namespace

std::string listNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    return sortedLines(std::move(names));
}

std::string treeOf(const std::filesystem::path& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string line = std::filesystem::relative(entry.path(), folder).string();
        if (entry.is_symlink()) {
            line += " -> " + std::filesystem::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            line += '/';
        } else {
            line += ' ' + std::to_string(entry.last_write_time().time_since_epoch().count()) + ' ' +
                    readFile(entry.path());
        }
        entries.push_back(std::move(line));
    }
    return sortedLines(std::move(entries));
}

} // namespace bildertafel::test
