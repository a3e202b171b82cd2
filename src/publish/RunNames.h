#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace bildertafel::publish {

// The owner name of this run: host, process id and a random part ("rechner-4711-9f3a0c21").
std::string newRunName();
// A temporary file of a publish: ".bildertafel-<run>-<n>.part", and the run that made one
// (nothing when the name is no such file).
std::string temporaryName(std::string_view run, std::size_t number);
std::optional<std::string> runOfTemporaryName(std::string_view name);
// A run's owner name as newRunName() makes it: letters, digits and "-", at most 80.
bool isRunName(std::string_view run);

} // namespace bildertafel::publish
