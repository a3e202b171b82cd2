#pragma once

#include "generator/GeneratorFailure.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bildertafel::generator {

// "Alle Bilder als ZIP anbieten": which pictures the show's zip holds.
enum class ZipChoice { Off, Pictures, Large };

// One picture of the zip: its name there and the file it is read from.
struct ZipEntry {
    std::string name;
    std::string path;
};

// The start page's link to the zip: the zip's name beside it and its size.
struct ZipLink {
    std::string name;
    std::uint64_t bytes = 0;
};

// The pictures of the zip in show order: for each preview, its picture (with Large, the one in
// the large size where the show has it); pictures that are not there are left out.
std::vector<ZipEntry> zipEntriesFor(const std::vector<std::string>& thumbNames,
                                    const std::string& pictureFolder, ZipChoice choice);

// Writes the zip (a temporary file, renamed into place at the end): the entries stored without
// compression, their names in UTF-8 with the zip's UTF-8 flag, ZIP64 where the sizes or the
// count need it. A zip that is newer than every picture and holds the same names and sizes is
// left untouched. bytes: the zip's size afterwards.
GeneratorOutcome writeShowZip(const std::string& zipPath, const std::vector<ZipEntry>& entries,
                              std::uint64_t& bytes);

} // namespace bildertafel::generator
