#pragma once

#include "settings/ShowSettings.h"
#include "words/PictureWords.h"

#include <string>
#include <string_view>

namespace bildertafel::generator {

// The values one run works out once and every page writer shares. The names and paths are kept
// in the form they take inside attribute values; those of href and src values are printable
// ASCII.
struct RunValues {
    RunValues(const settings::ShowSettings& settings, std::string_view startPageName,
              std::string_view thumbWebPath, std::string_view pictureWebPath);

    const settings::ShowSettings& settings;
    bool ownPages;
    bool newWindow;
    bool allPage;
    std::string startPageHref;  // StartPageName inside an href value
    std::string thumbWebHref;   // ThumbWebPath inside an href or src value
    std::string pictureWebHref; // PictureWebPath inside an href value
    std::string largeWebHref;   // the folder of the pictures in the large size, the same way
    std::string climbToShow;    // "../" per folder level of PictureWebPath
    bool noindex = false;       // the pages carry the robots meta
};

// PictureBase and PictureExt of one thumbnail, and its words as the pages write them. The buffers
// are reused from picture to picture.
class PictureValues {
public:
    // PictureExt is the name from its last dot on (".jpg" for every listed name), PictureBase
    // what stands before it; together they give the name back. words: the picture's, or none.
    void assign(std::string_view thumbName, const words::PictureWords* words = nullptr);

    std::string_view base() const { return m_base; }
    // PictureBase as the anchor name of its cell (not a URL: only the attribute rules apply).
    const std::string& anchorName() const { return m_anchorName; }
    // PictureBase and the whole name inside href and src values.
    std::string_view baseHref() const {
        return std::string_view(m_fileHref).substr(0, m_baseLength);
    }
    const std::string& fileHref() const { return m_fileHref; }

    // The words in HTML (printable ASCII), each empty when the picture has none: the text of the
    // alt attributes; the link's attributes that carry them to the start page's script (each with
    // its leading blank; a caption's line breaks as "&#10;"); the title and caption under the
    // picture on its own page.
    const std::string& altWords() const { return m_altWords; }
    const std::string& linkData() const { return m_linkData; }
    const std::string& pageWords() const { return m_pageWords; }

private:
    std::string_view m_base;
    std::string m_anchorName;
    std::string m_fileHref;
    std::size_t m_baseLength = 0; // of PictureBase in m_fileHref
    std::string m_altWords;
    std::string m_linkData;
    std::string m_pageWords;
};

} // namespace bildertafel::generator
