#pragma once

#include "generator/GeneratorFailure.h"
#include "generator/ShowGenerator.h"

#include <string_view>

namespace bildertafel::generator {

// With one page per picture, every picture page needs a file name of its own: not the
// all-pictures page's (when that is written too), and not another picture's (a.jpg and a.JPG).
// Fails naming the first picture in list order that would take a name twice.
GeneratorOutcome checkPageNames(const ShowGeneratorInput& input, std::string_view startPageName);

} // namespace bildertafel::generator
