#include "publish/PublishSet.h"

#include "publish/PublishTexts.h"
#include "words/WordsFile.h"

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

// A file's modification time as the set keeps it.
std::int64_t nanosecondsOf(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

} // namespace

bool isWordsFile(std::string_view below) {
    const std::size_t slash = below.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? below : below.substr(slash + 1);
    return name.size() == words::WordsFileName.size() &&
           endsWithoutCase(name, words::WordsFileName);
}

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
    if (isWordsFile(below)) {
        return "ist die Datei der Bildtexte";
    }
    return {};
}

namespace {

// The walk from the start page through every page it reaches, one step after the other.
class SetCollector {
public:
    explicit SetCollector(const std::string& showFolder)
        : m_show(withSlash(showFolder)), m_realShow(realPathOf(m_show).value_or(m_show) + "/"),
          m_check(m_show) {}

    // The start page as the first file and page; false when it is no file directly in the show.
    bool startAt(const std::string& startPage) {
        struct stat info {};
        std::string source;
        if (startPage.empty() || startPage.find('/') != std::string::npos || startPage == "." ||
            startPage == ".." || ::stat((m_show + startPage).c_str(), &info) != 0 ||
            !S_ISREG(info.st_mode) || !sourceOf(startPage, source).empty()) {
            return false;
        }
        m_seen.insert(startPage);
        m_set.files.push_back({startPage, static_cast<std::uint64_t>(info.st_size),
                               FileKind::StartPage, source, nanosecondsOf(info)});
        m_pages.push_back({startPage, source});
        return true;
    }

    // Every page reached, each read once; false when one cannot be read (error set).
    bool followPages() {
        while (!m_pages.empty()) {
            const auto [page, source] = std::move(m_pages.front());
            m_pages.pop_front();
            const auto text = readWhole(source);
            const auto links = text ? links::relativeLinksOf(*text) : std::nullopt;
            if (!links) {
                m_set.error = pageUnreadable(page, text.has_value());
                m_set.files.clear();
                return false;
            }
            const std::string pagePath = m_show + page;
            const std::string pageFolder = pagePath.substr(0, pagePath.rfind('/') + 1);
            for (const std::string& link : *links) {
                follow(page, pagePath, pageFolder, link);
            }
        }
        return true;
    }

    // The links that lead nowhere refuse the set; the files in sending order.
    PublishSet finish() {
        m_set.missing = m_check.missing();
        if (!m_set.missing.empty()) {
            m_set.error = missingLinksRefusal(links::missingLinksNotice(m_set.missing));
        }
        std::stable_sort(m_set.files.begin(), m_set.files.end(),
                         [](const LocalFile& a, const LocalFile& b) {
                             return a.kind != b.kind ? a.kind < b.kind : a.path < b.path;
                         });
        return std::move(m_set);
    }

    const std::string& show() const { return m_show; }
    PublishSet& set() { return m_set; }

private:
    struct PageToRead {
        std::string page;   // below the show folder
        std::string source; // its real path
    };

    static std::string withSlash(const std::string& folder) {
        std::string show = folder;
        while (show.size() > 1 && show.back() == '/') {
            show.pop_back();
        }
        return show + '/';
    }

    // The real path of a file below the show folder that may be sent, else why not (German).
    std::string sourceOf(const std::string& below, std::string& source) const {
        if (std::string reason = neverSentReason(below); !reason.empty()) {
            return reason;
        }
        const auto real = realPathOf(m_show + below);
        if (!real || !real->starts_with(m_realShow)) {
            return "liegt außerhalb des Ordners der Fotoshow";
        }
        if (std::string reason = neverSentReason(real->substr(m_realShow.size()));
            !reason.empty()) {
            return reason;
        }
        source = *real;
        return {};
    }

    // One link of a page: a file of the show joins the set (a page to be read in turn), anything
    // else is left out with a warning or, when it leads nowhere, named by the link check.
    void follow(const std::string& page, const std::string& pagePath, const std::string& pageFolder,
                const std::string& link) {
        const auto path = links::targetOfRelative(pageFolder, link);
        if (!path || *path + '/' == m_show) {
            return; // the show folder itself, as the picture pages' way back ("../")
        }
        if (!path->starts_with(m_show)) {
            leaveOut(page, link, "liegt außerhalb des Ordners der Fotoshow");
            return;
        }
        std::string below = path->substr(m_show.size());
        if (std::string reason = neverSentReason(below); !reason.empty()) {
            leaveOut(page, link, reason);
            return;
        }
        m_check.expectRelative(pagePath, pageFolder, link);
        // A folder, or nothing: the link check names what is missing. A pipe or a device is no
        // file to send.
        struct stat info {};
        const bool there = ::stat(path->c_str(), &info) == 0;
        if (there && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
            leaveOut(page, link, "ist keine gewöhnliche Datei");
            return;
        }
        if (m_seen.contains(below) || !there || !S_ISREG(info.st_mode)) {
            m_seen.insert(below);
            return;
        }
        std::string source;
        if (std::string reason = sourceOf(below, source); !reason.empty()) {
            leaveOut(page, link, reason);
            return;
        }
        m_seen.insert(below);
        const bool isAPage = isPage(below);
        m_set.files.push_back({below, static_cast<std::uint64_t>(info.st_size),
                               isAPage ? FileKind::Page : FileKind::Picture, source,
                               nanosecondsOf(info)});
        if (isAPage) {
            m_pages.push_back({std::move(below), std::move(source)});
        }
    }

    void leaveOut(const std::string& page, const std::string& link, const std::string& reason) {
        if (m_warned.insert(page + '\n' + link).second) {
            m_set.warnings.push_back(leftOutWarning(page, link, reason));
        }
    }

    const std::string m_show;     // with a trailing "/"
    const std::string m_realShow; // its real path, with a trailing "/"
    links::LinkCheck m_check;
    PublishSet m_set;
    std::set<std::string> m_seen;   // below the show folder
    std::set<std::string> m_warned; // page and link
    std::deque<PageToRead> m_pages;
};

} // namespace

PublishSet collectPublishSet(const std::string& showFolder, const std::string& startPage,
                             const ControlNames& controls) {
    SetCollector collector(showFolder);
    if (!collector.startAt(startPage)) {
        PublishSet refused;
        refused.error = startPageNotInShow(startPage, collector.show(), controls);
        return refused;
    }
    if (!collector.followPages()) {
        return std::move(collector.set());
    }
    return collector.finish();
}

} // namespace bildertafel::publish
