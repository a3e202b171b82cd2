#pragma once

#include "batch/BatchOptions.h"

#include <istream>
#include <ostream>

namespace bildertafel::batch {

// "--selection FILE": reads a visitor's answer (FILE, or standard input for "-"), prints the
// chosen pictures in show order to out, warns on err of names the show has not and, with
// --copy-selection, copies the chosen originals (--originals, else the pictures of --pictures).
// Returns the exit status: 0, 1 when nothing matched, 3 when a file could not be read or copied.
int runSelection(const BatchOptions& options, std::istream& in, std::ostream& out,
                 std::ostream& err);

} // namespace bildertafel::batch
