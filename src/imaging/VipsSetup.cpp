#include "imaging/VipsSetup.h"

#include <vips/vips8>

#include <algorithm>
#include <mutex>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace bildertafel::imaging {
namespace {

// libvips warns about damaged files on standard error; such files are reported in German
// instead, and the batch command's output stays clean.
void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

bool startVips() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        if (VIPS_INIT("bildertafel") != 0) {
            vips_error_clear();
            return;
        }
        g_log_set_handler("VIPS",
                          static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                      G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                          dropMessage, nullptr);
        // Every original is read once, so cached operations would only hold memory and files.
        vips_cache_set_max(0);
        vips_cache_set_max_files(0);
#if defined(__GLIBC__)
        // Pixel buffers of several megabytes come and go with every original. glibc keeps them
        // in its heaps once it has seen them freed, so the next original reuses pages already
        // mapped instead of faulting in fresh ones (a quarter of the run on a virtual machine).
        // Each heap keeps the most one original needed, so there are only as many heaps as
        // originals are made at once, and the peak stays put however many pictures a run has.
        mallopt(M_ARENA_MAX, static_cast<int>(std::max(2U, std::thread::hardware_concurrency())));
#endif
        started = true;
    });
    return started;
}

} // namespace bildertafel::imaging
