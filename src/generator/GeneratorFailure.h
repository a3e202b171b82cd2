#pragma once

#include "core/Outcome.h"

#include <string>
#include <utility>

namespace bildertafel::generator {

// Why a run or its preview refuses or stops: the kind and its facts; texts::failureText() says
// it in German.
struct GeneratorFailure {
    enum class Kind {
        // The folder checks, in their order.
        CountsDiffer,
        ThumbsNotBelowShow,
        PicturesNotBelowShow,
        ThumbsAreShowFolder,   // as ThumbsNotBelowShow: the show folder itself was chosen
        PicturesAreShowFolder, // likewise for the pictures
        PicturesAreThumbs,
        // Two pages would share a file name: picture, pageBase (the all-pictures page's).
        PictureTakesAllPageName,
        // picture and otherPicture, pageBase.
        PicturesShareAPageName,
        // The file system refused: path, error.
        PageNotWritten,
        PreviewFolderNotMade,        // path: the folder it was to be made in
        PreviewPartNotMade,          // path: the folder or link inside the preview
        ShowFolderNotReadForPreview, // path: the folder of the show
        ZipNotWritten,               // path, error: the zip of all pictures or a picture in it
    };

    // A folder check.
    explicit GeneratorFailure(Kind kind) : kind(kind) {}
    // The file system refused, with the path and the system's error number.
    GeneratorFailure(Kind kind, std::string path, int error)
        : kind(kind), path(std::move(path)), error(error) {}
    // Two pages would share a name.
    GeneratorFailure(Kind kind, std::string picture, std::string otherPicture, std::string pageBase)
        : kind(kind), picture(std::move(picture)), otherPicture(std::move(otherPicture)),
          pageBase(std::move(pageBase)) {}

    Kind kind;
    std::string path;
    std::string picture;      // the first picture, in list order
    std::string otherPicture; // the second
    std::string pageBase;     // the page name both would take, without ".html"
    int error = 0;            // the system's error number
};

using GeneratorOutcome = core::Outcome<GeneratorFailure>;

} // namespace bildertafel::generator
