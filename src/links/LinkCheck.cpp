#include "links/LinkCheck.h"

#include "core/AsciiText.h"
#include "core/HexCoding.h"
#include "filelist/FileList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace bildertafel::links {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// "https:", "mailto:", "data:": a scheme is a letter, then letters, digits, "+", "-" or ".",
// then a colon, all before any "/", "?" or "#".
bool hasScheme(std::string_view value) {
    if (value.empty() || !std::isalpha(static_cast<unsigned char>(value.front()))) {
        return false;
    }
    for (const char c : value) {
        if (c == ':') {
            return true;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return false;
}

// Appends the file a link value names: fragment and query dropped, percent-escapes and the two
// character references of an attribute value ("&amp;", "&quot;") decoded.
void appendFileOfLink(std::string& file, std::string_view value) {
    value = value.substr(0, value.find_first_of("#?"));
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size()) {
            const int high = core::hexDigitValue(value[i + 1]);
            const int low = core::hexDigitValue(value[i + 2]);
            if (high >= 0 && low >= 0) {
                file += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        if (value[i] == '&') {
            if (value.substr(i, 5) == "&amp;") {
                file += '&';
                i += 4;
                continue;
            }
            if (value.substr(i, 6) == "&quot;") {
                file += '"';
                i += 5;
                continue;
            }
        }
        file += value[i];
    }
}

// The length of the name of an attribute that names a file ("href", "src", "srcset", and
// "data-gross" for the picture in the large size) at the start of text, or 0.
std::size_t linkAttributeLength(std::string_view text) {
    for (const std::string_view name : {"href", "srcset", "src", "data-gross"}) {
        if (core::startsWithNoCase(text, name)) {
            return name.size();
        }
    }
    return 0;
}

bool isRelativeLink(std::string_view value) {
    return !value.empty() && value.front() != '#' && value.front() != '/' && !hasScheme(value);
}

void addIfRelative(std::vector<std::string>& links, std::string_view value) {
    if (isRelativeLink(value)) {
        std::string file;
        appendFileOfLink(file, value);
        if (!file.empty()) {
            links.push_back(std::move(file));
        }
    }
}

// The addresses of a srcset value as a browser reads them: each candidate is an address up to
// the next blank, without the commas it ends in, then its descriptors up to the next comma.
void addCandidates(std::vector<std::string>& links, std::string_view value) {
    std::size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && (isBlank(value[at]) || value[at] == ',')) {
            ++at;
        }
        std::size_t end = at;
        while (end < value.size() && !isBlank(value[end])) {
            ++end;
        }
        std::string_view address = value.substr(at, end - at);
        const bool descriptors = address.empty() || address.back() != ',';
        while (!address.empty() && address.back() == ',') {
            address.remove_suffix(1);
        }
        addIfRelative(links, address);
        at = descriptors ? value.find(',', end) : end;
        if (at == std::string_view::npos) {
            break;
        }
    }
}

} // namespace

std::optional<std::vector<std::string>> relativeLinksOf(std::string_view text) {
    std::vector<std::string> links;
    bool inTag = false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!inTag) {
            if (text.substr(i, 4) == "<!--") {
                const std::size_t end = text.find("-->", i + 4);
                if (end == std::string_view::npos) {
                    return std::nullopt;
                }
                i = end + 3;
                continue;
            }
            inTag = text[i] == '<';
            ++i;
            continue;
        }
        const char c = text[i];
        if (c == '>') {
            inTag = false;
            ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            // A quoted value of some other attribute.
            const std::size_t end = text.find(c, i + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            i = end + 1;
            continue;
        }
        const bool afterBlank = isBlank(text[i - 1]);
        const std::size_t nameLength = linkAttributeLength(text.substr(i));
        if (!afterBlank || nameLength == 0) {
            ++i;
            continue;
        }
        const bool isCandidateList = nameLength == std::string_view("srcset").size();
        std::size_t at = i + nameLength;
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        if (at == text.size() || text[at] != '=') {
            i = at;
            continue;
        }
        ++at;
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        std::string_view value;
        if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
            const std::size_t end = text.find(text[at], at + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            value = text.substr(at + 1, end - at - 1);
            i = end + 1;
        } else {
            std::size_t end = at;
            while (end < text.size() && !isBlank(text[end]) && text[end] != '>') {
                ++end;
            }
            value = text.substr(at, end - at);
            i = end;
        }
        if (isCandidateList) {
            addCandidates(links, value);
        } else {
            addIfRelative(links, value);
        }
    }
    return links;
}

namespace {

// The position of text in the list, found first among the two asked for last, else through the
// index, else added; the two last are kept up to date.
template <typename Index, typename Add>
std::size_t positionOf(std::string_view text, std::size_t (&recent)[2], Index& index,
                       const std::vector<std::string>& names, Add add) {
    for (const std::size_t at : recent) {
        if (at != SIZE_MAX && names[at] == text) {
            return at;
        }
    }
    auto found = index.find(text);
    const std::size_t at = found != index.end() ? found->second : add();
    if (found == index.end()) {
        index.emplace(std::string(text), at);
    }
    recent[1] = recent[0];
    recent[0] = at;
    return at;
}

} // namespace

void LinkCheck::expect(std::string_view page, std::string_view folder, std::string_view name) {
    const std::size_t folderAt =
        positionOf(folder, m_recentFolders, m_folderIndex, m_folderPaths, [&] {
            m_folders.emplace_back();
            m_folderPaths.emplace_back(folder);
            return m_folders.size() - 1;
        });
    ByName<Wanted>& names = m_folders[folderAt].names;
    if (names.find(name) != names.end()) {
        return;
    }
    const std::size_t pageAt = positionOf(page, m_recentPages, m_pageIndex, m_pages, [&] {
        m_pages.emplace_back(page);
        return m_pages.size() - 1;
    });
    names.emplace(std::string(name), Wanted{m_wanted++, pageAt});
}

void LinkCheck::expectLink(std::string_view page, std::string_view folder, std::string_view value) {
    m_decoded.clear();
    appendFileOfLink(m_decoded, value);
    expect(page, folder, m_decoded);
}

std::optional<std::string> targetOfRelative(std::string_view pageFolder,
                                            std::string_view relative) {
    std::string path =
        (std::filesystem::path(pageFolder) / std::filesystem::path(relative)).lexically_normal();
    // A link to a folder ("fotos/") names the folder itself.
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        return std::nullopt;
    }
    return path;
}

void LinkCheck::expectRelative(std::string_view page, std::string_view pageFolder,
                               std::string_view relative) {
    const std::optional<std::string> path = targetOfRelative(pageFolder, relative);
    if (!path) {
        return;
    }
    const std::size_t slash = path->rfind('/');
    expect(page, std::string_view(*path).substr(0, slash + 1),
           std::string_view(*path).substr(slash + 1));
}

std::string LinkCheck::belowShow(std::string_view path) const {
    if (path.starts_with(m_showFolder)) {
        path.remove_prefix(m_showFolder.size());
    }
    return std::string(path);
}

std::vector<MissingLink> LinkCheck::missing() const {
    struct Found {
        std::size_t order;
        MissingLink link;
    };
    std::vector<Found> missing;
    std::vector<bool> listed(m_wanted, false); // by order
    for (std::size_t f = 0; f < m_folders.size(); ++f) {
        const Folder& folder = m_folders[f];
        const std::string& path = m_folderPaths[f];
        // Each folder is read once; whatever of it is named and not listed is missing, also
        // everything in a folder that cannot be read.
        std::error_code unreadable;
        filelist::forEachName(
            path,
            [&](std::string_view name) {
                const auto wanted = folder.names.find(name);
                if (wanted != folder.names.end()) {
                    listed[wanted->second.order] = true;
                }
            },
            unreadable);
        for (const auto& [name, wanted] : folder.names) {
            if (!listed[wanted.order]) {
                missing.push_back(
                    {wanted.order, {belowShow(m_pages[wanted.page]), belowShow(path + name)}});
            }
        }
    }
    std::sort(missing.begin(), missing.end(),
              [](const Found& a, const Found& b) { return a.order < b.order; });
    std::vector<MissingLink> links;
    links.reserve(missing.size());
    for (Found& found : missing) {
        links.push_back(std::move(found.link));
    }
    return links;
}

std::string missingLinksNotice(const std::vector<MissingLink>& links) {
    constexpr std::size_t Shown = 10;
    std::string text = "Die Seiten sind geschrieben, aber ";
    text += std::to_string(links.size());
    text += links.size() == 1 ? " Verweis führt ins Leere:" : " Verweise führen ins Leere:";
    for (std::size_t i = 0; i < links.size() && i < Shown; ++i) {
        text += '\n';
        text += links[i].page;
        text += " → ";
        text += links[i].file;
    }
    if (links.size() > Shown) {
        text += "\n… und ";
        text += std::to_string(links.size() - Shown);
        text += " weitere";
    }
    return text;
}

} // namespace bildertafel::links
