#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace bildertafel::imaging {

struct OriginalNames {
    std::vector<std::string> files;   // in list order
    std::vector<std::string> folders; // sub-folders named like originals, to be named as skipped
};

// The originals of a folder (isOriginalName). On failure returns empty lists and sets error.
OriginalNames listOriginals(const std::filesystem::path& folder, std::error_code& error);

} // namespace bildertafel::imaging
