#pragma once

#include <string_view>

namespace bildertafel::batch {

// Started as "bildertafel-batch --window-child", the command makes the pictures for the window's
// "Bilder vorbereiten": the arguments of --prepare come on standard input, each ended by a zero
// byte (names keep their bytes), after a "--leave-out NAME" pair for each original an earlier run
// finished.
// The run's messages go to output (imaging/PreparationMessages.h). Its interruptions are watched
// with OnInterruption::StopAfterPictures (batch/Interruptions.h): SIGTERM stops it after the
// pictures in progress, as does a window that is gone. A crash names the original its thread was
// working on.
inline constexpr std::string_view WindowChildOption = "--window-child";

int windowChildMain(int input, int output);

} // namespace bildertafel::batch
