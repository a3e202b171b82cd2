#pragma once

#include "core/Outcome.h"
#include "generator/ShowGenerator.h"

namespace bildertafel::generator {

// The checks of the folder choice, in their fixed order. Fails with the message of the first
// that fails. Paths are compared exactly, character by character.
core::Outcome checkFolders(const ShowGeneratorInput& input);

} // namespace bildertafel::generator
