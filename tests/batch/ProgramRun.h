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

// A program started like runProgram() that runs on until it is waited for, to be signalled
// meanwhile. A non-empty input is its standard input.
class StartedProgram {
public:
    StartedProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& workingFolder, const std::string& input = {});
    ~StartedProgram(); // kills the program if it was not waited for
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    int pid() const { return m_pid; }
    ProgramResult wait();

private:
    std::filesystem::path m_outputs;
    int m_pid = -1;
};

} // namespace bildertafel::test
