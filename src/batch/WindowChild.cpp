#include "batch/WindowChild.h"

#include "batch/BatchOptions.h"
#include "batch/BatchRun.h"
#include "batch/Interruptions.h"
#include "imaging/PreparationMessages.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace bildertafel::batch {
namespace {

int messageOutput = -1;

// The crash line of the original this thread works on, ready for the crash handler, which may
// only write what is already made.
thread_local char crashLine[1200];
thread_local std::size_t crashLineLength = 0;

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // The window is gone: the run stops as if it had been asked to, and no picture in
            // progress is left half written.
            requestStop();
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

extern "C" void onCrash(int signal) {
    if (crashLineLength > 0) {
        [[maybe_unused]] const ssize_t ignored = ::write(messageOutput, crashLine, crashLineLength);
    }
    // The handler was reset: the signal now ends the program as it would have.
    ::raise(signal);
}

// SIGTERM, SIGINT and SIGHUP are the command's own interruptions (watchInterruptions()).
void installHandlers() {
    ::signal(SIGPIPE, SIG_IGN);
    struct sigaction crash {};
    crash.sa_handler = onCrash;
    crash.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&crash.sa_mask);
    for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) {
        ::sigaction(signal, &crash, nullptr);
    }
}

void beginOriginal(const std::string& name) {
    const std::string line = imaging::messages::crashed(name);
    crashLineLength = line.size() <= sizeof crashLine ? line.size() : 0;
    std::memcpy(crashLine, line.data(), crashLineLength);
    writeAll(messageOutput, imaging::messages::begun(name));
#ifdef BILDERTAFEL_TEST_SWITCHES
    // Test builds only: behave like a decoder crashing on this original.
    if (const char* crashOn = std::getenv("BILDERTAFEL_TEST_CRASH_ON");
        crashOn != nullptr && name == crashOn) {
        std::abort();
    }
#endif
}

std::string readAll(int fd) {
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

int windowChildMain(int input, int output) {
    messageOutput = output;
    installHandlers();

    const std::string bytes = readAll(input);
    std::vector<std::string_view> args;
    std::vector<std::string> leaveOut;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\0', start);
        end = end == std::string::npos ? bytes.size() : end;
        args.emplace_back(bytes.data() + start, end - start);
        start = end + 1;
    }
    // The originals to leave out come first, in pairs, before the options of the run: so a
    // value of an option (a photographer's name, say) is never taken for one of them.
    std::size_t first = 0;
    while (first + 1 < args.size() && args[first] == "--leave-out") {
        leaveOut.emplace_back(args[first + 1]);
        first += 2;
    }
    args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(first));

    const ParsedCommandLine parsed = parseCommandLine(args);
    if (parsed.kind != ParsedCommandLine::Kind::Run || parsed.options.prepare.empty() ||
        parsed.options.generates()) {
        writeAll(output,
                 imaging::messages::refused(parsed.error.empty() ? "--prepare ohne Seiten erwartet."
                                                                 : parsed.error));
        return ExitWrongUsage;
    }
    imaging::PreparationRequest request;
    std::ostringstream folderError;
    if (!preparationRequestFor(parsed.options, request, folderError)) {
        std::string refusal = folderError.str();
        while (!refusal.empty() && refusal.back() == '\n') {
            refusal.pop_back();
        }
        writeAll(output, imaging::messages::refused(refusal));
        return ExitFileSystem;
    }
    request.leaveOut = std::move(leaveOut);

    imaging::PreparationCallbacks callbacks;
    callbacks.begun = beginOriginal;
    callbacks.progress = [output](const imaging::PreparationProgress& progress) {
        crashLineLength = 0;
        writeAll(output, imaging::messages::finished(progress));
    };
    callbacks.cancelRequested = [] { return stopRequested(); };
    const imaging::PreparationResult result = imaging::prepareImages(request, callbacks);
    if (result.outcome == imaging::PreparationOutcome::Refused) {
        writeAll(output, imaging::messages::refused(result.refusal));
        return ExitRefused;
    }
    writeAll(output, imaging::messages::ended(result));
    return ExitWritten;
}

} // namespace bildertafel::batch
