#pragma once

#include "generator/ShowGenerator.h"

#include <optional>
#include <string_view>

namespace bildertafel::generator {

// The checks of the folder choice, in their fixed order. Returns the message of the first that
// fails, or nothing when the run may go on. Paths are compared exactly, character by character.
std::optional<std::string_view> firstFolderCheckFailure(const ShowGeneratorInput& input);

} // namespace bildertafel::generator
