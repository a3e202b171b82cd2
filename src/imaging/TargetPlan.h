#pragma once

#include "imaging/Preparation.h"

#include <filesystem>
#include <string>
#include <vector>

namespace bildertafel::imaging {

// One original and where its targets go; a target path is empty when that kind is not made.
struct PlannedOriginal {
    std::string name;
    std::filesystem::path source;
    std::filesystem::path picture;
    // The place of its picture in the large size, set whenever its web-size picture is made: the
    // large one is made there when the run makes the large size for this original; else one left
    // there by an earlier run is removed when the web-size picture is made anew, since it may
    // show an older original.
    std::filesystem::path large;
    std::filesystem::path mini;
    std::string skipReason; // German; set when the original is skipped without being read
};

struct TargetPlan {
    std::vector<PlannedOriginal> originals; // in list order
    std::vector<std::filesystem::path> targetFolders;
    std::filesystem::path largeFolder; // inside the picture folder; empty without the large size
};

// Checks the request and lists its originals with their targets. Returns the German refusal, or
// an empty text when the run may start. Writes nothing.
std::string planTargets(const PreparationRequest& request, TargetPlan& plan);

} // namespace bildertafel::imaging
