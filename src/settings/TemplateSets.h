#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bildertafel::settings {

// A ready-made set of templates ("Vorlage"): a configuration file NAME.cfg with NAME.txt beside
// it (UTF-8, three lines: title, one line of description, the preview size in pixels) and
// NAME.png, a picture of a show made with it.
struct TemplateSet {
    std::string name;        // the file name without ".cfg"
    std::string title;       // the name when the description file is missing
    std::string description; // may be empty
    int previewSize = 0;     // the longest side of the previews it expects; 0 when not stated
    std::string configPath;
    std::string picturePath; // empty when there is no picture
};

// The environment variable that names another folder of sets; the front ends read it.
inline constexpr std::string_view TemplateSetFolderVariable = "BILDERTAFEL_VORLAGEN";

// The folder of the sets, ending in "/": `named` (the environment variable's value, empty when
// it is not set), else the installed one beside the program (<prefix>/share/bildertafel/vorlagen),
// else that of the source tree the program was built from. When none exists, the installed one.
std::string templateSetFolder(std::string_view named);

// The sets in folder, in the order of their names; none when the folder cannot be read.
std::vector<TemplateSet> listTemplateSets(const std::string& folder);

// The German texts around the sets.
inline constexpr std::string_view TemplateSetTitle = "Vorlage laden...";
std::string noTemplateSetsMessage(std::string_view folder);
std::string unknownTemplateSetMessage(std::string_view name, const std::vector<TemplateSet>& sets,
                                      std::string_view folder);
// "Mini-Bilder: 320 Pixel", or empty when the set states no size.
std::string previewSizeText(const TemplateSet& set);

} // namespace bildertafel::settings
