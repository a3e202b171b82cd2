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

namespace {

void appendDataAttribute(std::string& out, std::string_view name, std::string_view text) {
    if (!text.empty()) {
        out.append(" data-").append(name).append("=\"");
        appendWords(out, text, "&#10;");
        out += '"';
    }
}

} // namespace

void PictureValues::assign(std::string_view thumbName, const words::PictureWords* words) {
    const auto dot = thumbName.rfind('.');
    const auto split = dot == std::string_view::npos ? thumbName.size() : dot;
    m_base = thumbName.substr(0, split);

    m_anchorName.clear();
    appendAttribute(m_anchorName, m_base);
    m_fileHref.clear();
    appendUrlAttribute(m_fileHref, m_base);
    m_baseLength = m_fileHref.size();
    appendUrlAttribute(m_fileHref, thumbName.substr(split));

    m_altWords.clear();
    m_linkData.clear();
    m_pageWords.clear();
    if (words == nullptr || words->empty()) {
        return;
    }
    const std::string alt = words::altTextFor(*words);
    appendWords(m_altWords, alt, " ");
    appendDataAttribute(m_linkData, "titel", words->title);
    appendDataAttribute(m_linkData, "bildtext", words->caption);
    appendDataAttribute(m_linkData, "alt", alt);
    if (!words->title.empty() || !words->caption.empty()) {
        m_pageWords = "<div class=\"bildworte\">";
        if (!words->title.empty()) {
            m_pageWords += "<p class=\"bildtitel\">";
            appendWords(m_pageWords, words->title, "<br>");
            m_pageWords += "</p>";
        }
        if (!words->caption.empty()) {
            m_pageWords += "<p class=\"bildtext\">";
            appendWords(m_pageWords, words->caption, "<br>");
            m_pageWords += "</p>";
        }
        m_pageWords += "</div>";
    }
}

} // namespace bildertafel::generator
