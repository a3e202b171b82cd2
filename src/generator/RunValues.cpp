#include "generator/RunValues.h"

#include "generator/WebText.h"

#include "core/LargePictures.h"

namespace bildertafel::generator {

RunValues::RunValues(const settings::ShowSettings& settings, std::string_view startPageName,
                     std::string_view thumbWebPath, std::string_view pictureWebPath)
    : settings(settings), ownPages(settings.isOn(settings::ShowOption::OwnPagePerPicture)),
      newWindow(settings.isOn(settings::ShowOption::NewBrowserWindow)),
      allPage(settings.isOn(settings::ShowOption::AllPicturesPage)),
      climbToShow(climbOut(pictureWebPath)) {
    appendUrlAttribute(startPageHref, startPageName);
    appendUrlAttribute(thumbWebHref, thumbWebPath);
    appendUrlAttribute(pictureWebHref, pictureWebPath);
    largeWebHref = pictureWebHref;
    appendUrlAttribute(largeWebHref, core::LargePictureFolder);
    largeWebHref += '/';
}

void PictureValues::assign(std::string_view thumbName) {
    const auto dot = thumbName.rfind('.');
    const auto split = dot == std::string_view::npos ? thumbName.size() : dot;
    m_base = thumbName.substr(0, split);

    m_anchorName.clear();
    appendAttribute(m_anchorName, m_base);
    m_fileHref.clear();
    appendUrlAttribute(m_fileHref, m_base);
    m_baseLength = m_fileHref.size();
    appendUrlAttribute(m_fileHref, thumbName.substr(split));
}

} // namespace bildertafel::generator
