#pragma once

// Starts the window program and the bare Qt window in turn on a virtual X server of their own and
// prints the time from the start of the process to its mapped window and the memory each holds at
// rest. Returns false when that could not be measured (no Xvfb) after saying why.
bool measureWindowStart(const char* windowProgram, const char* bareProgram, const char* folder);
