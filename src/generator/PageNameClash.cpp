#include "generator/PageNameClash.h"

#include "generator/RunValues.h"

#include <unordered_map>

namespace bildertafel::generator {

GeneratorOutcome checkPageNames(const ShowGeneratorInput& input, std::string_view startPageName) {
    const settings::ShowSettings& settings = input.settings;
    if (!settings.isOn(settings::ShowOption::OwnPagePerPicture)) {
        return {};
    }
    const bool allPage = settings.isOn(settings::ShowOption::AllPicturesPage);
    const std::string allPageBase = std::string(startPageName) + "_all";
    std::unordered_map<std::string_view, std::string_view> thumbOfBase;
    thumbOfBase.reserve(input.ThumbNames.size());
    PictureValues picture;
    for (const std::string& name : input.ThumbNames) {
        picture.assign(name);
        if (allPage && picture.base() == allPageBase) {
            return GeneratorFailure{
                GeneratorFailure::Kind::PictureTakesAllPageName, name, {}, allPageBase};
        }
        const auto [first, isNew] = thumbOfBase.emplace(picture.base(), name);
        if (!isNew) {
            return GeneratorFailure{GeneratorFailure::Kind::PicturesShareAPageName,
                                    std::string(first->second), name, std::string(picture.base())};
        }
    }
    return {};
}

} // namespace bildertafel::generator
