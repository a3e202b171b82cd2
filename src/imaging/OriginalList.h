#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace bildertafel::imaging {

// The originals of a folder (isOriginalName), in list order. On failure returns an empty list and
// sets error.
std::vector<std::string> listOriginals(const std::filesystem::path& folder, std::error_code& error);

} // namespace bildertafel::imaging
