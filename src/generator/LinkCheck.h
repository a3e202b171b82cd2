#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bildertafel::generator {

// A link or image of a written page that names no file on the disk.
struct MissingLink {
    std::string page; // the page, below the show folder ("bilder01.html", "bilder/a.html")
    std::string file; // what it names, below the show folder, or its full path outside of it

    bool operator==(const MissingLink&) const = default;
};

// The relative links and images of a template: the values of its href and src attributes that
// have no scheme ("https:", "mailto:") and begin with none of "#", "/" and "//", with fragment and
// query dropped and percent-escapes decoded. Nothing when the template cannot be scanned (a quote
// or a comment that does not end).
std::optional<std::vector<std::string>> relativeLinksOf(std::string_view templateText);

// Collects the files that the pages of a run refer to and looks for them as a web server on a
// case-sensitive system would: every name compared exactly, letter case included. Each folder
// is read once, however many files in it are named; each missing file is reported once, for the
// first page that refers to it.
class LinkCheck {
public:
    explicit LinkCheck(std::string showFolder) : m_showFolder(std::move(showFolder)) {}

    // A page refers to the file name in folder; page and folder are full paths, folder ends in
    // "/".
    void expect(std::string_view page, std::string_view folder, std::string_view name);
    // The same for a relative link of a template on a page that lies in pageFolder.
    void expectRelative(std::string_view page, std::string_view pageFolder,
                        std::string_view relative);

    // Reads the folders now; in the order the files were first referred to.
    std::vector<MissingLink> missing() const;

private:
    struct Reference {
        std::string page;
        std::size_t folderLength; // of the key: the folder with its "/", then the name
    };

    std::string belowShow(std::string_view path) const;

    std::string m_showFolder;
    std::unordered_map<std::string, std::size_t> m_index; // full path -> position in m_files
    std::vector<std::pair<std::string, Reference>> m_files;
    std::string m_key; // reused for every look-up
};

// The notice of the window after a run whose pages refer to files that are not there: the count,
// the first ten "page → file" and how many more.
std::string missingLinksNotice(const std::vector<MissingLink>& links);
inline constexpr std::string_view MissingLinksTitle = "Hinweis";

} // namespace bildertafel::generator
