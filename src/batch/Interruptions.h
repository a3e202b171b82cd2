#pragma once

namespace bildertafel::batch {

// How the command answers Ctrl+C (SIGINT), kill (SIGTERM) and a closed terminal (SIGHUP).
enum class OnInterruption {
    // It ends at once with 128 plus the signal's number (130, 143, 129), and no temporary file of
    // a page or a picture stays behind. The targets are replaced in one step, so each keeps its
    // old or its new content.
    EndAtOnce,
    // The window's picture program: the first signal asks the run to stop after the pictures in
    // progress (stopRequested()); a second one ends it at once as above.
    StopAfterPictures,
};

// Call first thing in main(), before any other thread starts: the signals are taken by one
// thread of their own and blocked in every other.
void watchInterruptions(OnInterruption answer = OnInterruption::EndAtOnce);

// True once a signal, or requestStop(), asked a run watched with StopAfterPictures to stop.
bool stopRequested();
void requestStop();

} // namespace bildertafel::batch
