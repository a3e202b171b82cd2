#pragma once

#include "imaging/MetadataFields.h"
#include "imaging/Preparation.h"

#include <string>
#include <string_view>
#include <vector>

// The fields that say whose a picture is, written into its finished web-size JPEG. Nothing else
// of the original's metadata is ever written.
namespace bildertafel::imaging {

// The JPEG with the kept fields of the original and the run's own notice, as request.credits
// asks, in segments right after the JPEG's start. Empty when there is nothing to write: the
// JPEG is used as it is. A field that cannot be taken over is left out, and its German reason
// is added to leftOut; the other fields are written all the same.
std::string withCredits(std::string_view jpeg, const OriginalMetadata& original,
                        const PreparationRequest& request, std::vector<std::string>& leftOut);

// The German refusal when the run's own notice cannot be written (not UTF-8, too long); empty
// when it can.
std::string noticeRefusal(const PreparationRequest& request);

} // namespace bildertafel::imaging
