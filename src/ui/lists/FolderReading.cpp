#include "ui/lists/FolderReading.h"

#include "filelist/FileList.h"
#include "textfile/SystemReason.h"
#include "ui/lists/FileNames.h"
#include "ui/lists/ListTexts.h"

#include <sys/stat.h>

#include <system_error>

namespace bildertafel::uilists {

namespace {

FolderReading refusal(const QString& reason) {
    FolderReading reading;
    reading.germanReason = reason;
    return reading;
}

QString reasonFor(const QString& folder, const std::error_code& error) {
    struct stat info {};
    // A path below a file names nothing at all; the file itself is no folder.
    const bool notADirectory = error == std::errc::not_a_directory;
    if (error == std::errc::no_such_file_or_directory ||
        (notADirectory && ::stat(toFileName(folder).c_str(), &info) != 0))
        return texts::folderMissing(folder);
    if (notADirectory)
        return texts::notAFolder(folder);
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return texts::folderAccessDenied(folder);
    return texts::folderUnreadable(folder, fromFileName(textfile::systemReason(error.value())));
}

} // namespace

FolderReading readFolder(const QString& folder) {
    if (folder.isEmpty())
        return refusal(texts::noFolderGiven());
    std::error_code error;
    filelist::FolderEntries entries = filelist::readFolder(toFileName(folder), error);
    if (error)
        return refusal(reasonFor(folder, error));
    FolderReading reading;
    reading.readable = true;
    reading.subFolders.reserve(static_cast<qsizetype>(entries.folders.size()));
    for (const std::string& name : entries.folders)
        reading.subFolders.append(fromFileName(name));
    reading.fileNames = std::move(entries.files);
    return reading;
}

bool isExistingFolder(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(toFileName(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace bildertafel::uilists
