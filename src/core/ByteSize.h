#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace bildertafel::core {

// A size as the program shows it everywhere (the window, the batch command, a publish's summary):
// "999 Byte", "1,0 KB", "312,5 KB", "1,0 MB"; rounding never shows "1000,0 KB".
inline std::string byteSizeText(std::uint64_t bytes) {
    if (bytes < 1000) {
        return std::to_string(bytes) + " Byte";
    }
    static constexpr std::array<const char*, 4> Units{"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < Units.size()) {
        value /= 1000.0;
        ++unit;
    }
    const auto tenths = static_cast<std::uint64_t>(std::llround(value * 10));
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + Units[unit];
}

} // namespace bildertafel::core
