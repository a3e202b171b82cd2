#pragma once

#include "words/PictureWords.h"

#include <string>
#include <vector>

namespace bildertafel::imaging {

struct OriginalMetadata;

// The photographer's words in the metadata: the title from XMP dc:title, IPTC ObjectName, XMP
// photoshop:Headline or IPTC Headline, the caption from XMP dc:description, IPTC
// Caption-Abstract or EXIF ImageDescription, the alternative text from XMP
// Iptc4xmpCore:AltTextAccessibility, each the first there is. Fields that cannot be taken over
// give nothing.
words::PictureWords wordsOf(const OriginalMetadata& original);

// The photographer's words that the pictures of a folder (its path ending in "/") carry, read as
// from an original; pictures without words, files that are no picture and anything that is not
// a plain file are passed over. False when the picture library cannot be started.
bool wordsInPictures(const std::string& folder, const std::vector<std::string>& names,
                     std::vector<words::WordsEntry>& found);

} // namespace bildertafel::imaging
