#include "imaging/OriginalList.h"

#include "filelist/FileList.h"
#include "imaging/Preparation.h"

#include <array>

namespace bildertafel::imaging {
namespace {

constexpr std::array<std::string_view, 8> OriginalPatterns = {
    "*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff", "*.webp", "*.heic", "*.heif",
};

} // namespace

bool isOriginalName(std::string_view name) {
    if (name.empty() || name.starts_with('.')) {
        return false;
    }
    for (const std::string_view pattern : OriginalPatterns) {
        if (filelist::matchesPattern(name, pattern)) {
            return true;
        }
    }
    return false;
}

std::string targetNameFor(std::string_view originalName) {
    // A camera's "IMG_0001.JPG" keeps its name, so the pages pair picture and preview by name.
    if (filelist::matchesPattern(originalName, "*.jpg")) {
        return std::string(originalName);
    }
    const std::size_t dot = originalName.rfind('.');
    return std::string(originalName.substr(0, dot)) + ".jpg";
}

OriginalNames listOriginals(const std::filesystem::path& folder, std::error_code& error) {
    filelist::FolderEntries entries = filelist::readFolder(folder, error);
    OriginalNames names;
    for (std::vector<std::string>* const list : {&entries.files, &entries.folders}) {
        std::erase_if(*list, [](const std::string& name) { return !isOriginalName(name); });
    }
    filelist::sortInListOrder(entries.files);
    names.files = std::move(entries.files);
    names.folders = std::move(entries.folders);
    return names;
}

} // namespace bildertafel::imaging
