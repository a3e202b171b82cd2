#pragma once

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

// Reads the show's file; a file that is not there gives no entries. False, with the German
// reason, when it is there but cannot be read.
bool readWordsFile(const std::string& path, ShowWords& words, std::string& reason);
// Replaces the file in one step (flushed to the disk). False, with the German reason, on failure.
bool writeWordsFile(const std::string& path, const ShowWords& words, std::string& reason);
// Reads the file, adds the words of the pictures that have no entry yet and writes it when any
// were added. added says how many.
bool fillWordsFile(const std::string& path, const std::vector<WordsEntry>& found,
                   std::size_t& added, std::string& reason);

// The German messages naming the file and the reason.
std::string wordsNotRead(std::string_view path, std::string_view reason);
std::string wordsNotWritten(std::string_view path, std::string_view reason);
// After count pictures got the words of their originals.
std::string wordsTakenOver(std::size_t count, std::string_view path);

} // namespace bildertafel::words
