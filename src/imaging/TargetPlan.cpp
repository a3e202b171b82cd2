#include "imaging/TargetPlan.h"

#include "imaging/OriginalList.h"
#include "imaging/PreparationTexts.h"

#include "core/LargePictures.h"
#include "filelist/FileList.h"
#include "filelist/FolderPath.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

namespace bildertafel::imaging {
namespace {

namespace fs = std::filesystem;

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string checkValues(const PreparationRequest& request) {
    if (!isValidSize(request.pictureSize)) {
        return texts::sizeOutOfRange(true, request.pictureSize);
    }
    if (!isValidSize(request.largeSize)) {
        return texts::largeSizeOutOfRange(request.largeSize);
    }
    if (!isValidSize(request.miniSize)) {
        return texts::sizeOutOfRange(false, request.miniSize);
    }
    if (request.quality < 1 || request.quality > 100) {
        return texts::qualityOutOfRange(request.quality);
    }
    if (request.pictureSize == 0 && request.miniSize == 0) {
        return texts::nothingToMake();
    }
    if (request.originalsFolder.empty()) {
        return texts::folderMissing(true, false);
    }
    if (request.pictureSize > 0 && request.PictureFolder.empty()) {
        return texts::folderMissing(false, true);
    }
    if (request.miniSize > 0 && request.ThumbFolder.empty()) {
        return texts::folderMissing(false, false);
    }
    return {};
}

// Two originals giving one target name would overwrite each other's pictures. Names are compared
// with ASCII letters folded: the file lists and FAT sticks do not tell "a.jpg" from "A.JPG".
std::string findClashes(const std::vector<PlannedOriginal>& originals) {
    std::unordered_map<std::string, const PlannedOriginal*> byTarget;
    std::string lines;
    for (const PlannedOriginal& original : originals) {
        if (!original.skipReason.empty()) {
            continue;
        }
        const std::string target = targetNameFor(original.name);
        const auto [it, added] = byTarget.emplace(foldedName(target), &original);
        if (!added) {
            lines += '\n';
            lines += texts::clashLine(it->second->name, original.name, target);
        }
    }
    return lines.empty() ? std::string() : texts::targetNameClashes() + lines;
}

} // namespace

std::string planTargets(const PreparationRequest& request, TargetPlan& plan) {
    plan = {};
    if (std::string refusal = checkValues(request); !refusal.empty()) {
        return refusal;
    }
    const fs::path originals(request.originalsFolder);
    const bool makeMinis = request.miniSize > 0;
    if (makeMinis && filelist::isSameFolder(request.originalsFolder, request.ThumbFolder)) {
        return texts::originalsAreThumbFolder(request.originalsFolder);
    }
    // Originals kept in the picture folder are the pictures themselves: only previews are made,
    // and only of the .jpg ones, since the pages pair nothing else with a preview.
    const bool originalsArePictures =
        !request.PictureFolder.empty() &&
        filelist::isSameFolder(request.originalsFolder, request.PictureFolder);
    const bool makePictures = request.pictureSize > 0 && !originalsArePictures;
    const bool makeLarge = makePictures && request.largeSize > 0;
    const fs::path largeFolder =
        fs::path(request.PictureFolder) / std::string(core::LargePictureFolder);
    if (makePictures && makeMinis &&
        filelist::isSameFolder(request.PictureFolder, request.ThumbFolder)) {
        return texts::picturesAndThumbsShareFolder(request.PictureFolder);
    }
    if (!makePictures && !makeMinis) {
        return texts::nothingToMakeInPictureFolder();
    }

    std::error_code error;
    const OriginalNames names = listOriginals(originals, error);
    if (error) {
        return texts::originalsNotListed(request.originalsFolder, error.value());
    }
    std::vector<std::string> all = names.files;
    all.insert(all.end(), names.folders.begin(), names.folders.end());
    if (!request.leaveOut.empty()) {
        const std::unordered_set<std::string> leaveOut(request.leaveOut.begin(),
                                                       request.leaveOut.end());
        std::erase_if(all,
                      [&leaveOut](const std::string& name) { return leaveOut.contains(name); });
    }
    filelist::sortInListOrder(all);
    plan.originals.reserve(all.size());
    for (const std::string& name : all) {
        PlannedOriginal original{name, originals / name, {}, {}, {}, {}};
        const std::string target = targetNameFor(name);
        if (std::binary_search(names.folders.begin(), names.folders.end(), name,
                               [](const std::string& a, const std::string& b) {
                                   return filelist::listOrderLess(a, b);
                               })) {
            original.skipReason = texts::notAFile(S_IFDIR);
        } else if (originalsArePictures && !filelist::matchesPattern(name, "*.jpg")) {
            original.skipReason = texts::onlyJpgInPictureFolder();
        } else {
            if (makePictures) {
                original.picture = fs::path(request.PictureFolder) / target;
            }
            if (makePictures) {
                original.large = largeFolder / target;
            }
            if (makeMinis) {
                original.mini = fs::path(request.ThumbFolder) / target;
            }
        }
        plan.originals.push_back(std::move(original));
    }
    if (std::string clashes = findClashes(plan.originals); !clashes.empty()) {
        plan = {};
        return clashes;
    }
    if (makePictures) {
        plan.targetFolders.emplace_back(request.PictureFolder);
    }
    if (makeLarge) {
        // Made with the first large picture: a show of small originals gets no empty folder.
        plan.largeFolder = largeFolder;
    }
    if (makeMinis) {
        plan.targetFolders.emplace_back(request.ThumbFolder);
    }
    return {};
}

} // namespace bildertafel::imaging
