#pragma once

#include "words/WordsFile.h"

#include <cstddef>
#include <string>
#include <string_view>

// The texts around the show's file of words that a user reads, in one place.
namespace bildertafel::words::texts {

// The file at path could not be read or written, and why.
std::string wordsNotRead(std::string_view path, const WordsFailure& failure);
std::string wordsNotWritten(std::string_view path, const WordsFailure& failure);
// After count pictures got the words of their originals.
std::string wordsTakenOver(std::size_t count, std::string_view path);

} // namespace bildertafel::words::texts
