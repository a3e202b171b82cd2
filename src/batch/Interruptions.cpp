#include "batch/Interruptions.h"

#include "textfile/TextFileWriter.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace bildertafel::batch {
namespace {

std::atomic<bool> stopAsked{false};

} // namespace

void watchInterruptions(OnInterruption answer) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return;
    }
    try {
        std::thread([signals, answer] {
            int signal = 0;
            for (;;) {
                if (sigwait(&signals, &signal) != 0) {
                    continue;
                }
                if (answer == OnInterruption::StopAfterPictures && !stopAsked.exchange(true)) {
                    continue;
                }
                textfile::removeTemporariesBeforeExit();
                std::_Exit(128 + signal);
            }
        }).detach();
    } catch (const std::system_error&) {
        // Without the thread the signals keep their default: the next run removes what is left.
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

bool stopRequested() {
    return stopAsked.load();
}

void requestStop() {
    stopAsked = true;
}

} // namespace bildertafel::batch
