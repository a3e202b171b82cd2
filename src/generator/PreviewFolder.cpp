#include "generator/PreviewFolder.h"

#include "filelist/FileList.h"
#include "generator/FolderChecks.h"
#include "generator/RunValues.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <set>
#include <unordered_set>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace bildertafel::generator {

namespace {

constexpr std::string_view FolderPrefix = "bildertafel-vorschau-";

// The folder of `folder` below `show`, ending in "/", for folders that checkFolders accepts.
std::string_view below(const std::string& show, const std::string& folder) {
    return std::string_view(folder).substr(show.size());
}

// "" (the show folder itself) and every folder on the way to `relative` ("a/", "a/b/").
void addWayTo(std::set<std::string>& folders, std::string_view relative) {
    folders.emplace();
    for (std::size_t slash = relative.find('/'); slash != std::string_view::npos;
         slash = relative.find('/', slash + 1)) {
        folders.emplace(relative.substr(0, slash + 1));
    }
}

// The process that made a preview folder of that name, or 0 for another name.
pid_t makerOf(std::string_view name) {
    if (!name.starts_with(FolderPrefix)) {
        return 0;
    }
    name.remove_prefix(FolderPrefix.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return error == std::errc() && end != name.data() && *end == '-' ? pid : 0;
}

} // namespace

GeneratorOutcome PreviewFolder::create(const std::string& parent,
                                       std::unique_ptr<PreviewFolder>& folder) {
    folder.reset();
    std::string pattern =
        parent + std::string(FolderPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    // Made for this user only: the pages may name pictures the user has not published.
    if (::mkdtemp(pattern.data()) == nullptr) {
        const int error = errno;
        return GeneratorFailure{GeneratorFailure::Kind::PreviewFolderNotMade, parent, error};
    }
    folder.reset(new PreviewFolder(pattern + '/'));
    return {};
}

PreviewFolder::~PreviewFolder() {
    // remove_all removes a symbolic link itself and never follows it into the show.
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

GeneratorOutcome PreviewFolder::lay(const ShowGeneratorInput& show, std::string_view startPageName,
                                    ShowGeneratorInput& preview) const {
    using Kind = GeneratorFailure::Kind;
    if (GeneratorOutcome folders = checkFolders(show); !folders) {
        return folders;
    }
    const std::string_view thumbs = below(show.ShowFolder, show.ThumbFolder);
    const std::string_view pictures = below(show.ShowFolder, show.PictureFolder);

    // The pages the run writes: the start page in the show folder, the picture pages and the
    // all-pictures page in the folder of the pictures.
    const std::string startPage = std::string(startPageName) + ".html";
    std::unordered_set<std::string> picturePages{std::string(startPageName) + "_all.html"};
    PictureValues picture;
    for (const std::string& name : show.ThumbNames) {
        picture.assign(name);
        picturePages.insert(std::string(picture.base()) + ".html");
    }

    std::set<std::string> realFolders; // parents before their sub-folders
    addWayTo(realFolders, thumbs);
    addWayTo(realFolders, pictures);
    for (const std::string& folder : realFolders) {
        const std::string source = show.ShowFolder + folder;
        const std::string target = m_path + folder;
        if (!folder.empty() && ::mkdir(target.c_str(), 0700) != 0) {
            const int made = errno;
            return GeneratorFailure{Kind::PreviewPartNotMade, target, made};
        }
        std::string link;
        std::error_code error;
        int linkError = 0;
        filelist::forEachName(
            source,
            [&](std::string_view name) {
                // Hidden names are no part of a show a visitor sees.
                if (linkError != 0 || name.starts_with('.') ||
                    realFolders.contains(folder + std::string(name) + '/') ||
                    (folder.empty() && name == startPage) ||
                    (folder == pictures && picturePages.contains(std::string(name)))) {
                    return;
                }
                link = target;
                link += name;
                if (::symlink((source + std::string(name)).c_str(), link.c_str()) != 0) {
                    linkError = errno;
                }
            },
            error);
        if (error) {
            return GeneratorFailure{Kind::ShowFolderNotReadForPreview, source, error.value()};
        }
        if (linkError != 0) {
            return GeneratorFailure{Kind::PreviewPartNotMade, link, linkError};
        }
    }
    preview = show;
    preview.ShowFolder = m_path;
    preview.ThumbFolder = m_path + std::string(thumbs);
    preview.PictureFolder = m_path + std::string(pictures);
    return {};
}

std::string temporaryFolder(std::string_view named) {
    std::string folder = named.starts_with('/') ? std::string(named) : "/tmp";
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

void removeLeftPreviewFolders(const std::string& parent) {
    std::error_code error;
    std::vector<std::string> left;
    filelist::forEachName(
        parent,
        [&](std::string_view name) {
            const pid_t pid = makerOf(name);
            struct stat info {};
            const std::string path = parent + std::string(name);
            if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH &&
                ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
                info.st_uid == ::getuid()) {
                left.push_back(path);
            }
        },
        error);
    for (const std::string& path : left) {
        std::filesystem::remove_all(path, error);
    }
}

} // namespace bildertafel::generator
