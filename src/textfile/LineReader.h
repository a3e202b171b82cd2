#pragma once

#include "textfile/FileOutcome.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace bildertafel::textfile {

// Reads a whole file as bytes; on failure they are empty.
FileOutcome readFileBytes(const std::filesystem::path& path, std::string& bytes);

// Walks the lines of a text: a line ends at CR LF or at a lone CR, neither being part of it;
// a lone LF is an ordinary character; the last line counts even without a line end, and a text
// that ends with a line end yields no extra empty line.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : m_rest(bytes) {}

    // Sets line to the next line (a view into the bytes) and returns true, or returns false at the
    // end.
    bool next(std::string_view& line);

private:
    std::string_view m_rest;
};

} // namespace bildertafel::textfile
