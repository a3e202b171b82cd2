#include "batch/BatchRun.h"
#include "batch/Interruptions.h"
#include "batch/WindowChild.h"

#include <iostream>
#include <string_view>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc == 2 && argv[1] == bildertafel::batch::WindowChildOption) {
        return bildertafel::batch::windowChildMain(STDIN_FILENO, STDOUT_FILENO);
    }
    bildertafel::batch::watchInterruptions();
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return bildertafel::batch::batchMain(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
