#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace bildertafel::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The folder as the window keeps folders: absolute, ending in "/".
    std::string folder() const { return m_path.string() + "/"; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Writes bytes to a file, creating folders above it.
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// The bytes of a file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// The names in a folder (files and folders, hidden ones too), sorted by bytes.
std::string listNames(const std::filesystem::path& folder);

// Every entry below the folder, sorted: its kind, and a file's modification time and bytes or
// a link's target. Equal before and after when nothing in the folder was written, renamed or
// removed.
std::string treeOf(const std::filesystem::path& folder);

} // namespace bildertafel::test
