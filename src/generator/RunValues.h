#pragma once

#include "settings/ShowSettings.h"

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
};

// PictureBase and PictureExt of one thumbnail. The buffers are reused from picture to picture.
class PictureValues {
public:
    // PictureExt is the name from its last dot on (".jpg" for every listed name), PictureBase
    // what stands before it; together they give the name back.
    void assign(std::string_view thumbName);

    std::string_view base() const { return m_base; }
    // PictureBase as the anchor name of its cell (not a URL: only the attribute rules apply).
    const std::string& anchorName() const { return m_anchorName; }
    // PictureBase and the whole name inside href and src values.
    std::string_view baseHref() const {
        return std::string_view(m_fileHref).substr(0, m_baseLength);
    }
    const std::string& fileHref() const { return m_fileHref; }

private:
    std::string_view m_base;
    std::string m_anchorName;
    std::string m_fileHref;
    std::size_t m_baseLength = 0; // of PictureBase in m_fileHref
};

} // namespace bildertafel::generator
