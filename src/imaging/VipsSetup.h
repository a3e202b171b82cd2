#pragma once

namespace bildertafel::imaging {

// Starts libvips once for the whole program, from any thread: no operation cache (memory stays
// flat however many pictures a run has) and no warnings on standard error. False when it failed.
bool startVips();

} // namespace bildertafel::imaging
