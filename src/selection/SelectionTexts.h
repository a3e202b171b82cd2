#pragma once

#include "selection/SelectionAnswer.h"
#include "selection/SelectionCopy.h"

#include <cstddef>
#include <string>

// The texts about a visitor's choice that a user reads, in one place.
namespace bildertafel::selection::texts {

// What a copy refused or stopped at; the system's reason in German.
std::string copyFailureText(const CopyFailure& failure);

// After copying: "12 Originale kopiert nach …" or, without originals, what came instead.
std::string copiedText(std::size_t files, bool originals, const std::string& targetFolder);

// Said before copying when the show has no originals' folder.
std::string noOriginalsText(const std::string& pictureFolder);

// The names of the answer that are not in the show, as one warning line each.
std::string unknownText(const SelectionAnswer& answer);

// Chosen pictures for which the source folder holds no file.
std::string missingText(const std::vector<std::string>& names, const std::string& folder);

// When nothing of the answer is a picture of the show.
std::string nothingChosenText();

} // namespace bildertafel::selection::texts
