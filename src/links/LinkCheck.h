#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace bildertafel::links {

// A link or image of a written page that names no file on the disk.
struct MissingLink {
    std::string page; // the page, below the show folder ("bilder01.html", "bilder/a.html")
    std::string file; // what it names, below the show folder, or its full path outside of it

    bool operator==(const MissingLink&) const = default;
};

// The relative links and images of a template: the values of its href, src and data-gross (the
// picture in the large size) attributes and the addresses of its srcset candidates that have no
// scheme ("https:", "mailto:") and begin with
// none of "#", "/" and "//", with fragment and query dropped and percent-escapes decoded. Nothing
// when the template cannot be scanned (a quote or a comment that does not end).
std::optional<std::vector<std::string>> relativeLinksOf(std::string_view templateText);

// The full path of the file that a relative link (as relativeLinksOf gives it) names on a page
// in pageFolder (a full path ending in "/"): joined and normalized, a trailing "/" dropped.
// Nothing when it names no file but a root.
std::optional<std::string> targetOfRelative(std::string_view pageFolder, std::string_view relative);

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
    // The same for a file name as a page writes it inside an href or src value: percent-escapes
    // and character references are decoded to the name on the disk.
    void expectLink(std::string_view page, std::string_view folder, std::string_view value);
    // The same for a relative link of a template on a page that lies in pageFolder.
    void expectRelative(std::string_view page, std::string_view pageFolder,
                        std::string_view relative);

    // Reads the folders now; in the order the files were first referred to.
    std::vector<MissingLink> missing() const;

private:
    // Looks strings up by their view, without making a string of it first.
    struct ViewHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    template <typename Value>
    using ByName = std::unordered_map<std::string, Value, ViewHash, std::equal_to<>>;

    struct Wanted {
        std::size_t order; // when it was first referred to
        std::size_t page;  // the first page that refers to it, in m_pages
    };
    struct Folder {
        ByName<Wanted> names;
    };

    std::string belowShow(std::string_view path) const;

    std::string m_showFolder;
    ByName<std::size_t> m_folderIndex; // folder path -> position in m_folders
    std::vector<std::string> m_folderPaths;
    std::vector<Folder> m_folders;   // beside their paths
    ByName<std::size_t> m_pageIndex; // page path -> position in m_pages
    std::vector<std::string> m_pages;
    // The pages and folders asked for last: a run names the same few again and again.
    std::size_t m_recentFolders[2] = {SIZE_MAX, SIZE_MAX};
    std::size_t m_recentPages[2] = {SIZE_MAX, SIZE_MAX};
    std::size_t m_wanted = 0;
    std::string m_decoded; // the last name decoded by expectLink, reused
};

// The notice of the window after a run whose pages refer to files that are not there: the count,
// the first ten "page → file" and how many more.
std::string missingLinksNotice(const std::vector<MissingLink>& links);
inline constexpr std::string_view MissingLinksTitle = "Hinweis";

} // namespace bildertafel::links
