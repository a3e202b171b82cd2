#include "WindowStart.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Rounds = 9;
constexpr auto Rest = std::chrono::milliseconds(1500);

struct Start {
    bool ok = false;
    double milliseconds = 0;    // process start to mapped window
    double cpuMilliseconds = 0; // processor time the process took until then
    double restingMiB = 0;      // resident memory once the window has rested
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The processor time the main thread of a process has run so far (the first field of its
// schedstat, in nanoseconds), in milliseconds.
double cpuMilliseconds(pid_t pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double nanoseconds = 0;
    schedstat >> nanoseconds;
    return nanoseconds / 1e6;
}

double residentMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0;
}

// Waits for a window to be mapped on the server; false after the timeout.
bool waitForMap(xcb_connection_t* connection, int timeoutMs) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) {
                return true;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0 || xcb_connection_has_error(connection) != 0) {
            return false;
        }
        ::poll(&fd, 1, static_cast<int>(left));
    }
}

Start startOnce(xcb_connection_t* connection, const std::string& display, const char* program,
                const char* folder) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        std::free(event);
    }
    const Clock::time_point started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet < 0 || ::dup2(quiet, STDERR_FILENO) < 0 || ::chdir(folder) != 0) {
            ::_exit(126);
        }
        ::execl(program, program, nullptr);
        ::_exit(127);
    }
    Start start;
    if (pid < 0) {
        return start;
    }
    if (waitForMap(connection, 30000)) {
        start.milliseconds =
            std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        // The main thread loads the libraries and shows the window.
        start.cpuMilliseconds = cpuMilliseconds(pid);
        std::this_thread::sleep_for(Rest);
        start.restingMiB = residentMiB(pid);
        start.ok = start.restingMiB > 0;
    }
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return start;
}

} // namespace

bool measureWindowStart(const char* windowProgram, const char* bareProgram, const char* folder) {
    // Xvfb chooses a free display and writes its number to the pipe once it accepts clients.
    int ready[2];
    if (::pipe(ready) != 0) {
        return false;
    }
    const pid_t server = ::fork();
    if (server == 0) {
        ::close(ready[0]);
        const std::string fd = std::to_string(ready[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                 "1280x1024x24", nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    char number[16] = {};
    const ssize_t got = server > 0 ? ::read(ready[0], number, sizeof number - 1) : -1;
    ::close(ready[0]);
    const auto stopServer = [server] {
        if (server > 0) {
            ::kill(server, SIGTERM);
            ::waitpid(server, nullptr, 0);
        }
    };
    if (got <= 0) {
        std::puts("window start: not measured, Xvfb could not be started");
        stopServer();
        return false;
    }
    const std::string display = ":" + std::string(number, std::strcspn(number, "\n"));
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        std::puts("window start: not measured, the virtual display could not be opened");
        xcb_disconnect(connection);
        stopServer();
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    std::vector<double> windowTimes, bareTimes, windowCpu, bareCpu, windowMemory, bareMemory;
    bool ok = true;
    for (int round = 0; round <= Rounds && ok; ++round) {
        const Start bare = startOnce(connection, display, bareProgram, folder);
        const Start window = startOnce(connection, display, windowProgram, folder);
        ok = bare.ok && window.ok;
        if (round == 0) {
            continue; // fills the caches of both
        }
        bareTimes.push_back(bare.milliseconds);
        windowTimes.push_back(window.milliseconds);
        bareCpu.push_back(bare.cpuMilliseconds);
        windowCpu.push_back(window.cpuMilliseconds);
        bareMemory.push_back(bare.restingMiB);
        windowMemory.push_back(window.restingMiB);
    }
    xcb_disconnect(connection);
    stopServer();
    if (!ok) {
        std::puts("window start: a program did not show its window");
        return false;
    }
    const double time = median(windowTimes) / median(bareTimes);
    const double memory = median(windowMemory) / median(bareMemory);
    std::printf("window start on Xvfb, median of %d rounds\n", Rounds);
    std::printf("start to mapped window: bildertafel %6.1f ms, bare Qt window %6.1f ms, "
                "ratio %.2f (target <= 1.3) %s\n",
                median(windowTimes), median(bareTimes), time, time <= 1.3 ? "ok" : "MISSED");
    std::printf("the same, processor time:  bildertafel %6.1f ms, bare Qt window %6.1f ms, "
                "ratio %.2f (main thread; shown only, a busy machine changes it less)\n",
                median(windowCpu), median(bareCpu), median(windowCpu) / median(bareCpu));
    std::printf("resident memory at rest: bildertafel %5.1f MiB, bare Qt window %5.1f MiB, "
                "ratio %.2f (target <= 1.2) %s\n\n",
                median(windowMemory), median(bareMemory), memory, memory <= 1.2 ? "ok" : "MISSED");
    return true;
}
