#pragma once

#include "generator/RunValues.h"
#include "textfile/TextFileWriter.h"

namespace bildertafel::generator {

// Writes the whole page of one picture: the full-size picture between ImagePageBefore and
// ImagePageAfter, itself a link back to the picture's cell on the start page, and the picture's
// title and caption under it when it has any. With hasLarge a screen of high density gets the
// picture in the large size.
void writePicturePage(textfile::TextFileWriter& out, const RunValues& run,
                      const PictureValues& picture, bool hasLarge = false);

} // namespace bildertafel::generator
