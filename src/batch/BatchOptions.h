#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace bildertafel::batch {

// What the command line asks for. The run applies it in this order: the defaults, the option
// overrides, then the pictures-per-row text.
struct BatchOptions {
    std::optional<std::string> perRow;
    std::optional<std::int16_t> ownPages; // 0 or 1
    std::optional<std::int16_t> newWindow;
    std::optional<std::int16_t> allPage;
    std::string show;
    std::string minis;
    std::string pictures;
    std::optional<std::string> name; // the answer to the name dialog; none: its preset
};

struct ParsedCommandLine {
    enum class Kind { Run, Help, WrongUsage };
    Kind kind = Kind::Run;
    BatchOptions options;
    std::string error; // for WrongUsage: what is wrong, in German
};

// Reads the arguments after the program name.
ParsedCommandLine parseCommandLine(std::span<const std::string_view> args);

} // namespace bildertafel::batch
