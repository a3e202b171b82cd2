#include "publish/PublishSet.h"

#include <sys/stat.h>

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

} // namespace

std::uint64_t PublishSet::totalBytes() const {
    std::uint64_t total = 0;
    for (const LocalFile& file : files) {
        total += file.size;
    }
    return total;
}

PublishSet collectPublishSet(const std::string& showFolder, const std::string& startPage) {
    PublishSet set;
    std::string show = showFolder;
    while (show.size() > 1 && show.back() == '/') {
        show.pop_back();
    }
    show += '/';

    struct stat info {};
    if (startPage.empty() || startPage.find('/') != std::string::npos || startPage == "." ||
        startPage == ".." || ::stat((show + startPage).c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        set.error = "Die Startseite „" + startPage + "“ liegt nicht im Ordner der Fotoshow „" +
                    show +
                    "“. Bitte zuerst „HTML erstellen“ oder eine vorhandene Startseite wählen.";
        return set;
    }

    generator::LinkCheck check(show);
    std::set<std::string> seen{startPage}; // below the show folder
    std::set<std::string> warned;
    std::deque<std::string> pages{startPage};
    set.files.push_back({startPage, static_cast<std::uint64_t>(info.st_size), FileKind::StartPage});
    while (!pages.empty()) {
        const std::string page = std::move(pages.front());
        pages.pop_front();
        const std::string pagePath = show + page;
        const auto text = readWhole(pagePath);
        const auto links = text ? generator::relativeLinksOf(*text) : std::nullopt;
        if (!links) {
            set.error = text
                            ? "Die Seite „" + page +
                                  "“ lässt sich nicht lesen: ein Anführungszeichen oder ein "
                                  "Kommentar wird nicht geschlossen. Bitte die Seite neu erstellen."
                            : "Die Seite „" + page +
                                  "“ lässt sich nicht lesen. Bitte die Rechte der Datei prüfen.";
            set.files.clear();
            return set;
        }
        const std::string pageFolder = pagePath.substr(0, pagePath.rfind('/') + 1);
        for (const std::string& link : *links) {
            const auto path = generator::targetOfRelative(pageFolder, link);
            if (!path) {
                continue;
            }
            if (!path->starts_with(show)) {
                if (warned.insert(page + '\n' + link).second) {
                    set.warnings.push_back("Warnung: " + page + ": " + link +
                                           " liegt außerhalb des Ordners der Fotoshow und wird "
                                           "nicht veröffentlicht");
                }
                continue;
            }
            check.expectRelative(pagePath, pageFolder, link);
            std::string below = path->substr(show.size());
            if (seen.contains(below)) {
                continue;
            }
            seen.insert(below);
            // A folder, or nothing: the link check names what is missing.
            if (::stat(path->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
                continue;
            }
            const bool page = isPage(below);
            set.files.push_back({below, static_cast<std::uint64_t>(info.st_size),
                                 page ? FileKind::Page : FileKind::Picture});
            if (page) {
                pages.push_back(std::move(below));
            }
        }
    }
    set.missing = check.missing();
    if (!set.missing.empty()) {
        set.error = generator::missingLinksNotice(set.missing);
        set.error += "\nBitte die Seiten neu erstellen oder die fehlenden Dateien ergänzen; "
                     "es wurde nichts veröffentlicht.";
    }
    std::stable_sort(set.files.begin(), set.files.end(),
                     [](const LocalFile& a, const LocalFile& b) {
                         return a.kind != b.kind ? a.kind < b.kind : a.path < b.path;
                     });
    return set;
}

} // namespace bildertafel::publish
