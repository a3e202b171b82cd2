#pragma once

#include "core/Outcome.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::selection {

// The files of a folder that hold the chosen pictures: every file whose picture name
// (pictureNameOf, without extension) is chosen, in the order of the chosen names. Chosen names
// that no file holds go to missing.
std::vector<std::string>
filesOfChosen(const std::vector<std::string>& chosenNames,
              const std::vector<std::string>& folderFiles,
              const std::function<std::string(std::string_view)>& pictureNameOf,
              std::vector<std::string>& missing);

enum class CopyFailureKind {
    TargetNotCreated, // the new folder could not be made (error)
    TargetNotEmpty,   // the folder named holds files already
    TargetNotFolder,  // the name is taken by a file or a link
    SourceUnreadable, // the source folder or a file in it (error; a link, no regular file: 0)
    WriteFailed,      // a copy could not be written (error); the half-written copy is removed
    Cancelled,        // the files before path are copied
};

struct CopyFailure {
    CopyFailureKind kind;
    std::string path;
    int error = 0;
};

using CopyOutcome = core::Outcome<CopyFailure>;

// Copies the files (plain names in sourceFolder) into targetFolder, which is made, or which must
// be an empty folder. A source is read only, never changed or moved, and only as a regular file
// of its folder (a link is refused); a copy never replaces a file and keeps its source's
// modification time. progress(done, total) before each file; false stops.
CopyOutcome copyFiles(const std::string& sourceFolder, const std::vector<std::string>& files,
                      const std::string& targetFolder,
                      const std::function<bool(std::size_t, std::size_t)>& progress = {});

} // namespace bildertafel::selection
