#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bildertafel::test {

struct ProgramResult {
    int exitStatus = -1; // -1 when the program did not end normally
    std::string out;
    std::string err;
};

// Runs a program with the arguments (no shell in between) in a working folder and collects its
// exit status and both outputs.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& workingFolder);

} // namespace bildertafel::test
