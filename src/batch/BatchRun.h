#pragma once

#include "batch/BatchOptions.h"
#include "imaging/Preparation.h"

#include <ostream>
#include <span>
#include <string_view>

namespace bildertafel::batch {

// The exit status of the command.
enum ExitStatus : int {
    ExitWritten = 0,
    ExitRefused = 1,    // a check, the start page name or a picture page clash; preparing pictures:
                        // a name clash, or the originals are the folder of the previews;
                        // publishing: refused before anything was sent
    ExitWrongUsage = 2, // the command line
    ExitFileSystem = 3, // a folder or file could not be read or written (an original too); with
                        // --strict, links of the pages that name no file; a publish that
                        // failed or broke off after sending had begun
    ExitCheckFailed = 4, // published, but the check from outside found the show not as it
                         // should be (open without its password, its password file readable…)
};

// The picture preparation the options of --prepare ask for; false after telling err which folder
// cannot be found out.
bool preparationRequestFor(const BatchOptions& options, imaging::PreparationRequest& request,
                           std::ostream& err);

// One run as the options ask for it; messages go to err, and while err is a terminal the
// progress of preparing pictures too.
int runBatch(const BatchOptions& options, std::ostream& err, bool errIsTerminal = false);

// The whole command: the arguments after the program name, the help to out, the rest to err.
int batchMain(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
              bool errIsTerminal = false);

} // namespace bildertafel::batch
