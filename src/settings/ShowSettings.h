#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace bildertafel::settings {

// The six HTML templates. Lines inside a template are separated by CR LF.
enum class TemplateId : std::int16_t {
    PageHead = 0,
    PageFoot = 1,
    CellBefore = 2,
    CellAfter = 3,
    ImagePageBefore = 4,
    ImagePageAfter = 5,
};
inline constexpr int TemplateCount = 6;

// The caption of the frame around a template; also the note of its section in a configuration file.
std::string_view TemplateCaption(TemplateId id);

// The entries of the pictures-per-row choice, index 0 to 7. Entry 0 has two blanks after its digit.
inline constexpr std::array<std::string_view, 8> TableWidthEntries{
    "2  Bilder breit", "3 Bilder breit", "4 Bilder breit", "5 Bilder breit",
    "6 Bilder breit",  "7 Bilder breit", "8 Bilder breit", "9 Bilder breit",
};

// Encloses every attribute value the pages get.
inline constexpr std::string_view QuoteChar = "\"";

// The three options. A value is the check state last set: 0 off, 1 on, 2 greyed (counts as off).
enum class ShowOption { OwnPagePerPicture, NewBrowserWindow, AllPicturesPage };

// Everything the user sets for a show apart from the folders. Texts are UTF-8.
class ShowSettings {
public:
    const std::string& Template(TemplateId id) const { return m_templates[index(id)]; }
    void setTemplate(TemplateId id, std::string text) { m_templates[index(id)] = std::move(text); }

    std::int16_t TableWidthIndex() const { return m_tableWidthIndex; }
    // Selects entry k (0 to 7) and takes its text, or -1 for none, which empties the text.
    // Returns false, changing nothing, for any other index.
    bool setTableWidthIndex(int k);
    const std::string& TableWidthText() const { return m_tableWidthText; }
    // Text typed into the choice: no entry selected, the text kept as typed.
    void setTypedTableWidthText(std::string text);

    std::int16_t option(ShowOption which) const { return m_options[static_cast<int>(which)]; }
    void setOption(ShowOption which, std::int16_t value) {
        m_options[static_cast<int>(which)] = value;
    }
    bool isOn(ShowOption which) const { return option(which) == 1; }

    std::int16_t OwnPagePerPicture() const { return option(ShowOption::OwnPagePerPicture); }
    std::int16_t NewBrowserWindow() const { return option(ShowOption::NewBrowserWindow); }
    std::int16_t AllPicturesPage() const { return option(ShowOption::AllPicturesPage); }

    // The pictures in one table row: the number at the start of TableWidthText.
    double PicturesPerRow() const;

    bool operator==(const ShowSettings&) const = default;

private:
    static std::size_t index(TemplateId id) { return static_cast<std::size_t>(id); }

    std::array<std::string, TemplateCount> m_templates;
    std::int16_t m_tableWidthIndex = -1;
    std::string m_tableWidthText;
    std::array<std::int16_t, 3> m_options{0, 0, 0};
};

// The settings the window starts with.
ShowSettings DefaultShowSettings();

} // namespace bildertafel::settings
