#pragma once

namespace bildertafel::batch {

// Ctrl+C (SIGINT), kill (SIGTERM) and a closed terminal (SIGHUP) end the command at once with
// 128 plus the signal's number (130, 143, 129), and no temporary file of a page or a picture
// stays behind. The targets are replaced in one step, so each keeps its old or its new content.
// Call first thing in main(), before any other thread starts: the signals are taken by one
// thread of their own and blocked in every other.
void watchInterruptions();

} // namespace bildertafel::batch
