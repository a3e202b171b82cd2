#include "generator/FolderChecks.h"

#include "generator/GeneratorTexts.h"

namespace bildertafel::generator {

namespace {

core::Outcome refused(std::string_view message) {
    return core::Outcome::failure(std::string(message));
}

} // namespace

core::Outcome checkFolders(const ShowGeneratorInput& input) {
    const std::string& show = input.ShowFolder;
    if (static_cast<long long>(input.ThumbNames.size()) != input.PictureCount) {
        return refused(texts::CountsDiffer);
    }
    if (!input.ThumbFolder.starts_with(show)) {
        return refused(texts::ThumbsNotBelowShow);
    }
    if (!input.PictureFolder.starts_with(show)) {
        return refused(texts::PicturesNotBelowShow);
    }
    if (input.ThumbFolder == show) {
        return refused(texts::ThumbsNotBelowShow);
    }
    if (input.PictureFolder == show) {
        return refused(texts::PicturesNotBelowShow);
    }
    if (input.PictureFolder == input.ThumbFolder) {
        return refused(texts::PicturesAreThumbs);
    }
    return {};
}

} // namespace bildertafel::generator
