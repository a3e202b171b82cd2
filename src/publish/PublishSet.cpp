#include "publish/PublishSet.h"

#include "publish/PublishTexts.h"

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <memory>

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

namespace bildertafel::publish {

namespace {

bool isPage(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
        return false;
    }
    std::string extension;
    for (const char c : path.substr(dot + 1)) {
        extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == "html" || extension == "htm";
}

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(text).str();
}

// The real path of an existing path, every link resolved; nothing when it does not exist.
std::optional<std::string> realPathOf(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           std::free);
    return real ? std::optional<std::string>(real.get()) : std::nullopt;
}

// Endings of names that are never sent, whatever links them (compared without case).
constexpr std::array NeverSentEndings = {std::string_view(".cfg")};

bool endsWithoutCase(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) {
        return false;
    }
    name.remove_prefix(name.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != ending[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string neverSentReason(std::string_view below) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = below.find('/', start);
        if (below.substr(start).starts_with('.')) {
            return "ist versteckt";
        }
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    for (const std::string_view ending : NeverSentEndings) {
        if (endsWithoutCase(below, ending)) {
            return "ist eine Konfigurationsdatei";
        }
    }
    return {};
}

PublishSet collectPublishSet(const std::string& showFolder, const std::string& startPage,
                             const ControlNames& controls) {
    PublishSet set;
    std::string show = showFolder;
    while (show.size() > 1 && show.back() == '/') {
        show.pop_back();
    }
    show += '/';

    const std::string realShow = realPathOf(show).value_or(show) + "/";
    // The real path of a file below the show folder that may be sent, else why not (German).
    struct stat info {};
    const auto sourceOf = [&](const std::string& below, std::string& source) -> std::string {
        if (std::string reason = neverSentReason(below); !reason.empty()) {
            return reason;
        }
        const auto real = realPathOf(show + below);
        if (!real || !real->starts_with(realShow)) {
            return "liegt außerhalb des Ordners der Fotoshow";
        }
        if (std::string reason = neverSentReason(real->substr(realShow.size())); !reason.empty()) {
            return reason;
        }
        source = *real;
        return {};
    };
    std::string startSource;
    if (startPage.empty() || startPage.find('/') != std::string::npos || startPage == "." ||
        startPage == ".." || ::stat((show + startPage).c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode) || !sourceOf(startPage, startSource).empty()) {
        set.error = startPageNotInShow(startPage, show, controls);
        return set;
    }

    links::LinkCheck check(show);
    std::set<std::string> seen{startPage}; // below the show folder
    std::set<std::string> warned;
    std::deque<std::string> pages{startPage};
    set.files.push_back(
        {startPage, static_cast<std::uint64_t>(info.st_size), FileKind::StartPage, startSource});
    std::deque<std::string> sources{startSource};
    const auto refuse = [&](const std::string& page, const std::string& link,
                            const std::string& reason) {
        if (warned.insert(page + '\n' + link).second) {
            set.warnings.push_back(leftOutWarning(page, link, reason));
        }
    };
    while (!pages.empty()) {
        const std::string page = std::move(pages.front());
        pages.pop_front();
        const std::string pagePath = show + page;
        const auto text = readWhole(sources.front());
        sources.pop_front();
        const auto links = text ? links::relativeLinksOf(*text) : std::nullopt;
        if (!links) {
            set.error = pageUnreadable(page, text.has_value());
            set.files.clear();
            return set;
        }
        const std::string pageFolder = pagePath.substr(0, pagePath.rfind('/') + 1);
        for (const std::string& link : *links) {
            const auto path = links::targetOfRelative(pageFolder, link);
            if (!path) {
                continue;
            }
            if (*path + '/' == show) {
                continue; // the show folder itself, as the picture pages' way back ("../")
            }
            if (!path->starts_with(show)) {
                refuse(page, link, "liegt außerhalb des Ordners der Fotoshow");
                continue;
            }
            std::string below = path->substr(show.size());
            if (std::string reason = neverSentReason(below); !reason.empty()) {
                refuse(page, link, reason);
                continue;
            }
            check.expectRelative(pagePath, pageFolder, link);
            // A folder, or nothing: the link check names what is missing.
            if (seen.contains(below) || ::stat(path->c_str(), &info) != 0 ||
                !S_ISREG(info.st_mode)) {
                seen.insert(below);
                continue;
            }
            std::string source;
            if (std::string reason = sourceOf(below, source); !reason.empty()) {
                refuse(page, link, reason);
                continue;
            }
            seen.insert(below);
            const bool page = isPage(below);
            set.files.push_back({below, static_cast<std::uint64_t>(info.st_size),
                                 page ? FileKind::Page : FileKind::Picture, source});
            if (page) {
                pages.push_back(std::move(below));
                sources.push_back(std::move(source));
            }
        }
    }
    set.missing = check.missing();
    if (!set.missing.empty()) {
        set.error = missingLinksRefusal(links::missingLinksNotice(set.missing));
    }
    std::stable_sort(set.files.begin(), set.files.end(),
                     [](const LocalFile& a, const LocalFile& b) {
                         return a.kind != b.kind ? a.kind < b.kind : a.path < b.path;
                     });
    return set;
}

} // namespace bildertafel::publish
