#include "ProgramRun.h"

#include "TempDir.h"

#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bildertafel::test {

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& args,
                               const std::filesystem::path& workingFolder, const std::string& input)
    : m_outputs(std::filesystem::temp_directory_path() /
                ("bildertafel-run-" + std::to_string(::getpid()) + "-" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
    std::filesystem::create_directories(m_outputs);
    const std::string outFile = (m_outputs / "out").string();
    const std::string errFile = (m_outputs / "err").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    const std::string inFile = (m_outputs / "in").string();
    if (!input.empty()) {
        writeFile(inFile, input);
        posix_spawn_file_actions_addopen(&actions, 0, inFile.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());

    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::filesystem::remove_all(m_outputs);
        throw std::runtime_error("cannot start " + program);
    }
    m_pid = pid;
}

StartedProgram::~StartedProgram() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_outputs, ignored);
}

ProgramResult StartedProgram::wait() {
    int status = 0;
    if (waitpid(m_pid, &status, 0) != m_pid) {
        throw std::runtime_error("cannot wait for the program");
    }
    m_pid = -1;
    ProgramResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(m_outputs / "out");
    result.err = readFile(m_outputs / "err");
    return result;
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& workingFolder) {
    StartedProgram started(program, args, workingFolder);
    return started.wait();
}

} // namespace bildertafel::test
