#include "ui/window/DisplayCheck.h"

#include <cstdlib>
#include <string_view>

namespace bildertafel::ui {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whether one platform of QT_QPA_PLATFORM ("xcb", "wayland-egl", "offscreen:fontengine=...")
// can start with this environment.
bool platformUsable(std::string_view platform, bool hasX, bool hasWayland) {
    const std::string_view name = platform.substr(0, platform.find(':'));
    if (name == "xcb") {
        return hasX;
    }
    if (startsWith(name, "wayland")) {
        return hasWayland;
    }
    // offscreen, minimal, vnc, eglfs, linuxfb and the like need no display variable.
    return !name.empty();
}

} // namespace

std::string missingDisplayMessage(const EnvironmentLookup& environment) {
    const bool hasX = !environment("DISPLAY").empty();
    const bool hasWayland = !environment("WAYLAND_DISPLAY").empty();
    const std::string platforms = environment("QT_QPA_PLATFORM");

    bool usable = false;
    if (platforms.empty()) {
        usable = hasX || hasWayland;
    } else {
        // Several platforms separated by ";" are tried in turn; one that can start is enough.
        std::string_view rest = platforms;
        while (!usable) {
            const std::size_t end = rest.find(';');
            usable = platformUsable(rest.substr(0, end), hasX, hasWayland);
            if (end == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(end + 1);
        }
    }
    if (usable) {
        return {};
    }
    return "bildertafel: Kein Bildschirm gefunden. Das Fenster braucht eine grafische Sitzung "
           "(DISPLAY oder WAYLAND_DISPLAY ist nicht gesetzt).\n"
           "bildertafel: No display found. The window needs a graphical session "
           "(DISPLAY or WAYLAND_DISPLAY is not set).\n"
           "Ohne Bildschirm / without a display: xvfb-run -a bildertafel\n";
}

std::string missingDisplayMessage() {
    return missingDisplayMessage([](const char* name) {
        const char* value = std::getenv(name);
        return value == nullptr ? std::string() : std::string(value);
    });
}

} // namespace bildertafel::ui
