#include "generator/PageNameClash.h"

#include "generator/RunValues.h"

#include <unordered_map>

namespace bildertafel::generator {

std::optional<std::string> pageNameClash(const ShowGeneratorInput& input,
                                         std::string_view startPageName) {
    const settings::ShowSettings& settings = input.settings;
    if (!settings.isOn(settings::ShowOption::OwnPagePerPicture)) {
        return std::nullopt;
    }
    const bool allPage = settings.isOn(settings::ShowOption::AllPicturesPage);
    const std::string allPageBase = std::string(startPageName) + "_all";
    std::unordered_map<std::string_view, std::string_view> thumbOfBase;
    thumbOfBase.reserve(input.ThumbNames.size());
    PictureValues picture;
    for (const std::string& name : input.ThumbNames) {
        picture.assign(name);
        if (allPage && picture.base() == allPageBase) {
            return "Die eigene HTML-Datei des Bildes " + name +
                   " hätte denselben Namen wie die HTML-Datei mit allen Bildern (" + allPageBase +
                   ".html)...";
        }
        const auto [first, isNew] = thumbOfBase.emplace(picture.base(), name);
        if (!isNew) {
            return "Die eigenen HTML-Dateien der Bilder " + std::string(first->second) + " und " +
                   name + " hätten denselben Namen (" + std::string(picture.base()) + ".html)...";
        }
    }
    return std::nullopt;
}

} // namespace bildertafel::generator
