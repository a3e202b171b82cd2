#include "batch/BatchRun.h"
#include "batch/Interruptions.h"
#include "batch/WindowChild.h"

#include <iostream>
#include <string_view>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    using namespace bildertafel::batch;
    const bool windowChild = argc == 2 && argv[1] == WindowChildOption;
    watchInterruptions(windowChild ? OnInterruption::StopAfterPictures : OnInterruption::EndAtOnce);
    if (windowChild) {
        return windowChildMain(STDIN_FILENO, STDOUT_FILENO);
    }
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return batchMain(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
