#pragma once

#include "words/PictureWords.h"

#include <string>
#include <vector>

namespace bildertafel::imaging {

// The photographer's words that the pictures of a folder (its path ending in "/") carry, read as
// from an original; pictures without words, files that are no picture and anything that is not
// a plain file are passed over. False when the picture library cannot be started.
bool wordsInPictures(const std::string& folder, const std::vector<std::string>& names,
                     std::vector<words::WordsEntry>& found);

} // namespace bildertafel::imaging
