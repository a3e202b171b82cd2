#include "generator/FolderChecks.h"

namespace bildertafel::generator {

GeneratorOutcome checkFolders(const ShowGeneratorInput& input) {
    using Kind = GeneratorFailure::Kind;
    const std::string& show = input.ShowFolder;
    if (static_cast<long long>(input.ThumbNames.size()) != input.PictureCount) {
        return GeneratorFailure{Kind::CountsDiffer};
    }
    if (!input.ThumbFolder.starts_with(show)) {
        return GeneratorFailure{Kind::ThumbsNotBelowShow};
    }
    if (!input.PictureFolder.starts_with(show)) {
        return GeneratorFailure{Kind::PicturesNotBelowShow};
    }
    if (input.ThumbFolder == show) {
        return GeneratorFailure{Kind::ThumbsAreShowFolder};
    }
    if (input.PictureFolder == show) {
        return GeneratorFailure{Kind::PicturesAreShowFolder};
    }
    if (input.PictureFolder == input.ThumbFolder) {
        return GeneratorFailure{Kind::PicturesAreThumbs};
    }
    return {};
}

} // namespace bildertafel::generator
