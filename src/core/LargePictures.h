#pragma once

#include <string_view>

namespace bildertafel::core {

// The pictures in the large size, for screens that show more than the web-size picture has, lie
// in this sub-folder of the folder of the web-size pictures, each named like its web-size
// picture. A show without the folder is written as before.
inline constexpr std::string_view LargePictureFolder = "gross";

} // namespace bildertafel::core
