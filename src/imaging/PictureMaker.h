#pragma once

#include "imaging/Preparation.h"
#include "imaging/TargetPlan.h"

#include <string>
#include <vector>

namespace bildertafel::imaging {

// What became of one original.
struct OriginalOutcome {
    std::string skipReason; // German; set when the original was skipped
    bool upToDate = false;  // nothing needed making
    bool pictureMade = false;
    bool miniMade = false;
    std::vector<FailedTarget> failures;
    std::vector<std::string> leftOut; // German: fields of the original its picture does not carry
};

// Makes the targets of one original that are needed, decoding it once for both. Needs startVips().
OriginalOutcome prepareOriginal(const PlannedOriginal& original, const PreparationRequest& request);

} // namespace bildertafel::imaging
