#include "ui/lists/FolderReading.h"

#include "filelist/FileList.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace bildertafel::uilists {

namespace fs = std::filesystem;

namespace {

FolderReading refusal(const QString& reason) {
    FolderReading reading;
    reading.germanReason = reason;
    return reading;
}

QString reasonForOpenFailure(const QString& folder, const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return QStringLiteral("Der Ordner „%1“ kann nicht gelesen werden: Zugriff verweigert.")
            .arg(folder);
    return QStringLiteral("Der Ordner „%1“ kann nicht gelesen werden.").arg(folder);
}

} // namespace

FolderReading readSubFolders(const QString& folder) {
    if (folder.isEmpty())
        return refusal(QStringLiteral("Es wurde kein Ordner angegeben."));
    const fs::path path(folder.toStdString());
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return refusal(QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(folder));
    if (error)
        return refusal(reasonForOpenFailure(folder, error));
    if (!fs::is_directory(status))
        return refusal(QStringLiteral("„%1“ ist kein Ordner.").arg(folder));

    fs::directory_iterator entry(path, error);
    if (error)
        return refusal(reasonForOpenFailure(folder, error));
    std::vector<std::string> names;
    for (; entry != fs::directory_iterator(); entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (name.starts_with('.'))
            continue;
        std::error_code kindError;
        // A link to a folder is opened like the folder; a broken link is no folder.
        if (entry->is_directory(kindError))
            names.push_back(std::move(name));
    }
    if (error)
        return refusal(reasonForOpenFailure(folder, error));

    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return filelist::listOrderLess(a, b);
    });
    FolderReading reading;
    reading.readable = true;
    reading.subFolders.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names)
        reading.subFolders.append(QString::fromStdString(name));
    return reading;
}

bool isExistingFolder(const QString& path) {
    std::error_code error;
    return !path.isEmpty() && fs::is_directory(fs::path(path.toStdString()), error);
}

} // namespace bildertafel::uilists
