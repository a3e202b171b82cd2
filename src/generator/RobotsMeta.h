#pragma once

#include "textfile/TextFileWriter.h"

#include <string_view>

namespace bildertafel::generator {

// What asks search engines to leave a show's pages and pictures out.
inline constexpr std::string_view RobotsMeta =
    "<meta name=\"robots\" content=\"noindex, noimageindex\">";

// Writes a page's head template with RobotsMeta right after its <head> tag. A template without
// one gets it on a line of its own before it, where a browser takes it into the page's head all
// the same; so do the lines written before the template (ahead): the meta goes before them too.
void writeWithRobotsMeta(textfile::TextFileWriter& out, std::string_view headTemplate);
// Whether the template holds a <head> tag for the meta to follow.
bool hasHeadTag(std::string_view headTemplate);

} // namespace bildertafel::generator
