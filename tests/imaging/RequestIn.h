#pragma once

#include "TempDir.h"
#include "imaging/Preparation.h"

namespace bildertafel::test {

// A run from the folder's "originale/" into its "bilder/" and "thumbs/" at the given sizes, without
// the large size.
inline imaging::PreparationRequest requestIn(const TempDir& dir, int pictureSize, int miniSize) {
    imaging::PreparationRequest request;
    request.originalsFolder = dir.folder() + "originale/";
    request.PictureFolder = dir.folder() + "bilder/";
    request.ThumbFolder = dir.folder() + "thumbs/";
    request.pictureSize = pictureSize;
    request.miniSize = miniSize;
    request.largeSize = 0;
    return request;
}

} // namespace bildertafel::test
