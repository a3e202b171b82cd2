#include "Processes.h"

#include <sys/wait.h>
#include <unistd.h>

namespace bildertafel::test {

pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace bildertafel::test
