#pragma once

#include "core/Outcome.h"

namespace bildertafel::textfile {

// The system refused to read or write a file: its error number, which systemReason() says in
// German where the failure is shown.
struct FileFailure {
    int error = 0;
};

using FileOutcome = core::Outcome<FileFailure>;

} // namespace bildertafel::textfile
