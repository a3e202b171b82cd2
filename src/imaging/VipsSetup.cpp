#include "imaging/VipsSetup.h"

#include <vips/vips8>

#include <mutex>

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
        // Pixel buffers of a few megabytes come and go with every original. glibc would raise
        // its mmap threshold after the first are freed and keep later ones in its per-thread
        // heaps, where the peak creeps up with the number of pictures; a fixed threshold gives
        // them back at once.
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
        started = true;
    });
    return started;
}

} // namespace bildertafel::imaging
