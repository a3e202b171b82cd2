#pragma once

#include <sys/types.h>

namespace bildertafel::test {

// The id of a process that has ended: no process has it now, as after a run that was killed.
pid_t endedProcess();

} // namespace bildertafel::test
