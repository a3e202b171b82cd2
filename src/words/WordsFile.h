#pragma once

#include "core/Outcome.h"
#include "words/PictureWords.h"

#include <string>
#include <string_view>
#include <vector>

// The show's file of words: "bildtexte.txt" in the show folder, UTF-8 without a byte-order mark,
// made to be read and edited by hand. A section per picture, its file name in brackets, then the
// fields; a line that begins with a blank goes on with the field above it in a new line:
//
//   # Bemerkung
//   [IMG_0001.jpg]
//   Titel: Großmutter am See
//   Bildtext: Juli – Sommer & Sonne
//    zweite Zeile
//   Alternativtext: Eine Frau sitzt am Ufer eines Sees.
//
// The file is replaced in one step; no page links it, so it is never published.
namespace bildertafel::words {

inline constexpr std::string_view WordsFileName = "bildtexte.txt";
// A larger file is refused: no show has that many words.
inline constexpr std::size_t LargestWordsFile = 16U << 20;

// The file's path in a show folder (ending in "/").
std::string wordsFilePath(std::string_view showFolder);

// The file's text: a comment saying how to write it, then a section per entry in order. An entry
// whose name cannot stand on one line is left out.
std::string formatWords(const ShowWords& words);
// Reads what it understands: lines before the first section, comments and unknown lines are
// passed over; a picture's second section replaces its first.
ShowWords parseWords(std::string_view text);

// Why the file could not be read or written; texts::wordsNotRead() and wordsNotWritten() say it
// in German.
struct WordsFailure {
    enum class Kind {
        System,   // the system refused: error
        NotAFile, // a folder, a pipe, a device
        TooLarge, // larger than LargestWordsFile
    };
    Kind kind = Kind::System;
    int error = 0; // the system's error number
};

using WordsOutcome = core::Outcome<WordsFailure>;

// Reads the show's file; a file that is not there gives no entries. Fails when it is there but
// cannot be read.
WordsOutcome readWordsFile(const std::string& path, ShowWords& words);
// Replaces the file in one step (flushed to the disk).
WordsOutcome writeWordsFile(const std::string& path, const ShowWords& words);
// Reads the file, adds the words of the pictures that have no entry yet and writes it when any
// were added. added says how many.
WordsOutcome fillWordsFile(const std::string& path, const std::vector<WordsEntry>& found,
                           std::size_t& added);

} // namespace bildertafel::words
