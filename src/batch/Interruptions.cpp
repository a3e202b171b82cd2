#include "batch/Interruptions.h"

#include "textfile/TextFileWriter.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace bildertafel::batch {

void watchInterruptions() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return;
    }
    try {
        std::thread([signals] {
            int signal = 0;
            while (sigwait(&signals, &signal) != 0) {
            }
            textfile::removeTemporariesBeforeExit();
            std::_Exit(128 + signal);
        }).detach();
    } catch (const std::system_error&) {
        // Without the thread the signals keep their default: the next run removes what is left.
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

} // namespace bildertafel::batch
