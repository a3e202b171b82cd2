#include "selection/SelectionCopy.h"

#include "core/SlashPath.h"
#include "textfile/Descriptor.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <unordered_map>

namespace bildertafel::selection {

namespace {

using textfile::Descriptor;

bool isEmptyFolder(int fd) {
    const int copy = ::dup(fd);
    DIR* folder = copy < 0 ? nullptr : ::fdopendir(copy);
    if (folder == nullptr) {
        if (copy >= 0) {
            ::close(copy);
        }
        return false;
    }
    bool empty = true;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            empty = false;
            break;
        }
    }
    ::closedir(folder);
    return empty;
}

// The new folder, made, or taken when it is an empty folder already.
CopyOutcome openTarget(const std::string& targetFolder, Descriptor& target) {
    if (::mkdir(targetFolder.c_str(), 0777) != 0 && errno != EEXIST) {
        return CopyFailure{CopyFailureKind::TargetNotCreated, targetFolder, errno};
    }
    target.reset(::open(targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (target.get() < 0) {
        const int error = errno;
        return error == ENOTDIR || error == ELOOP
                   ? CopyFailure{CopyFailureKind::TargetNotFolder, targetFolder, 0}
                   : CopyFailure{CopyFailureKind::TargetNotCreated, targetFolder, error};
    }
    if (!isEmptyFolder(target.get())) {
        return CopyFailure{CopyFailureKind::TargetNotEmpty, targetFolder, 0};
    }
    return {};
}

// Writes all of the source's bytes; false with errno set.
bool copyBytes(int from, int to, int& readError) {
    std::array<char, 1 << 16> buffer{};
    while (true) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            readError = errno;
            return false;
        }
        if (got == 0) {
            return true;
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                ::write(to, buffer.data() + written, static_cast<std::size_t>(got - written));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                errno = put == 0 ? EIO : errno;
                return false;
            }
            written += put;
        }
    }
}

CopyOutcome copyOne(int sourceFolder, const std::string& sourcePath, const std::string& name,
                    int targetFolder, const std::string& targetPath) {
    if (!core::isPlainName(name)) {
        return CopyFailure{CopyFailureKind::SourceUnreadable, sourcePath, 0};
    }
    const Descriptor source(
        ::openat(sourceFolder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat facts {};
    if (source.get() < 0 || ::fstat(source.get(), &facts) != 0) {
        const int error = errno;
        return CopyFailure{CopyFailureKind::SourceUnreadable, sourcePath,
                           error == ELOOP ? 0 : error};
    }
    if (!S_ISREG(facts.st_mode)) {
        return CopyFailure{CopyFailureKind::SourceUnreadable, sourcePath, 0};
    }
    Descriptor copy(::openat(targetFolder, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             facts.st_mode & 0666));
    if (copy.get() < 0) {
        return CopyFailure{CopyFailureKind::WriteFailed, targetPath, errno};
    }
    int readError = 0;
    const std::array<timespec, 2> times{facts.st_atim, facts.st_mtim};
    const bool copied =
        copyBytes(source.get(), copy.get(), readError) && ::futimens(copy.get(), times.data()) == 0;
    int error = errno;
    const bool closed = copy.close() == 0;
    if (copied && !closed) {
        error = errno;
    }
    if (!copied || !closed) {
        ::unlinkat(targetFolder, name.c_str(), 0);
        return readError != 0
                   ? CopyFailure{CopyFailureKind::SourceUnreadable, sourcePath, readError}
                   : CopyFailure{CopyFailureKind::WriteFailed, targetPath, error};
    }
    return {};
}

std::string withSlash(const std::string& folder) {
    return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

} // namespace

std::vector<std::string>
filesOfChosen(const std::vector<std::string>& chosenNames,
              const std::vector<std::string>& folderFiles,
              const std::function<std::string(std::string_view)>& pictureNameOf,
              std::vector<std::string>& missing) {
    std::unordered_map<std::string, std::vector<const std::string*>> byPicture;
    for (const std::string& file : folderFiles) {
        byPicture[pictureNameOf(file)].push_back(&file);
    }
    std::vector<std::string> files;
    for (const std::string& name : chosenNames) {
        const auto found = byPicture.find(name);
        if (found == byPicture.end()) {
            missing.push_back(name);
            continue;
        }
        for (const std::string* file : found->second) {
            files.push_back(*file);
        }
    }
    return files;
}

CopyOutcome copyFiles(const std::string& sourceFolder, const std::vector<std::string>& files,
                      const std::string& targetFolder,
                      const std::function<bool(std::size_t, std::size_t)>& progress) {
    const Descriptor source(::open(sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (source.get() < 0) {
        return CopyFailure{CopyFailureKind::SourceUnreadable, sourceFolder, errno};
    }
    Descriptor target;
    if (CopyOutcome opened = openTarget(targetFolder, target); !opened) {
        return opened;
    }
    for (std::size_t done = 0; done < files.size(); ++done) {
        const std::string targetPath = withSlash(targetFolder) + files[done];
        if (progress && !progress(done, files.size())) {
            return CopyFailure{CopyFailureKind::Cancelled, targetPath, 0};
        }
        if (CopyOutcome copied = copyOne(source.get(), withSlash(sourceFolder) + files[done],
                                         files[done], target.get(), targetPath);
            !copied) {
            return copied;
        }
    }
    if (progress) {
        progress(files.size(), files.size());
    }
    return {};
}

} // namespace bildertafel::selection
