#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace bildertafel::core {

// "0:42", "12:05", "1:02:03": the time left in a progress line (preparing pictures, publishing);
// empty while unknown (negative).
inline std::string timeLeftText(double seconds) {
    if (!(seconds >= 0) || !std::isfinite(seconds)) {
        return {};
    }
    const long long total = std::llround(seconds);
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long rest = total % 60;
    char text[48];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
    }
    return text;
}

} // namespace bildertafel::core
