#pragma once

#include "generator/GeneratorFailure.h"
#include "generator/ShowGenerator.h"

namespace bildertafel::generator {

// The checks of the folder choice, in their fixed order. Fails with the kind of the first that
// fails. Paths are compared exactly, character by character.
GeneratorOutcome checkFolders(const ShowGeneratorInput& input);

} // namespace bildertafel::generator
