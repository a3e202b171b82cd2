#pragma once

#include "ui/lists/FolderPath.h"

#include <QString>

#include <array>
#include <cstdint>

namespace bildertafel::ui {

// The four remembered folders. Each slot mirrors the directory list of the same index and holds
// its folder with one trailing "/".
using ShowFolderSlots = std::array<QString, 4>;

namespace folderslot {
enum : std::int16_t { ConfigFolder = 0, ShowFolder = 1, ThumbFolder = 2, PictureFolder = 3 };
} // namespace folderslot

// The five file lists: each of the first four shows the folder of its slot, the fifth the pages
// in the picture folder.
namespace filelistslot {
enum : std::int16_t { ConfigFiles = 0, ShowPages = 1, Thumbs = 2, Pictures = 3, PicturePages = 4 };
} // namespace filelistslot

// The two configuration buttons.
namespace configbutton {
enum : std::int16_t { Load = 0, Save = 1 };
} // namespace configbutton

// The sub-folders of a show that "Bilder vorbereiten" makes.
namespace subfolder {
inline constexpr char16_t Thumbs[] = u"minis";
inline constexpr char16_t Pictures[] = u"bilder";
} // namespace subfolder

// The folder as a slot holds it: a "/" is appended unless it already ends in one, so the root
// folder stays "/".
using uilists::withTrailingSeparator;

} // namespace bildertafel::ui
