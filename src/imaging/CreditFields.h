#pragma once

#include "imaging/Preparation.h"
#include "words/PictureWords.h"

#include <string>
#include <string_view>
#include <vector>

namespace vips {
class VImage;
}

// The fields that say whose a picture is and the photographer's words (title, caption,
// descriptions for people who cannot see it): read from an original's metadata, written into its
// finished web-size JPEG. Nothing else of the original's metadata is ever written.
namespace bildertafel::imaging {

// An original's metadata blocks as the picture library read them: EXIF (with or without its
// "Exif\0\0" start), the XMP packet, and the Photoshop block that holds IPTC.
struct OriginalMetadata {
    std::string exif;
    std::string xmp;
    std::string photoshop;
};

OriginalMetadata metadataOf(const vips::VImage& image);

// The JPEG with the kept fields of the original and the run's own notice, as request.credits
// asks, in segments right after the JPEG's start. Empty when there is nothing to write: the
// JPEG is used as it is. A field that cannot be taken over is left out, and its German reason
// is added to leftOut; the other fields are written all the same.
std::string withCredits(std::string_view jpeg, const OriginalMetadata& original,
                        const PreparationRequest& request, std::vector<std::string>& leftOut);

// The photographer's words in the metadata: the title from XMP dc:title, IPTC ObjectName, XMP
// photoshop:Headline or IPTC Headline, the caption from XMP dc:description, IPTC
// Caption-Abstract or EXIF ImageDescription, the alternative text from XMP
// Iptc4xmpCore:AltTextAccessibility, each the first there is. Fields that cannot be taken over
// give nothing.
words::PictureWords wordsOf(const OriginalMetadata& original);

// The German refusal when the run's own notice cannot be written (not UTF-8, too long); empty
// when it can.
std::string noticeRefusal(const PreparationRequest& request);

} // namespace bildertafel::imaging
