#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The words a photographer gives a picture: its title, its caption and a description for people
// who cannot see it. Texts are UTF-8; a caption's lines are apart by "\n".
namespace bildertafel::words {

struct PictureWords {
    std::string title;   // "Titel", one line
    std::string caption; // "Bildtext", one line or more
    std::string altText; // "Alternativtext", one line

    bool empty() const { return title.empty() && caption.empty() && altText.empty(); }
    bool operator==(const PictureWords&) const = default;
};

// The words as a page may hold them: no control characters but the caption's line breaks (CR LF
// and a lone CR become "\n"), no blanks at the ends of a line, no empty lines at a caption's ends;
// title and alternative text are one line (a line break becomes a blank). Bytes that are not
// UTF-8 become U+FFFD.
PictureWords cleaned(PictureWords words);

// The text for a picture's alt attribute: the alternative text, else the title, else the caption
// (its lines joined by blanks).
std::string altTextFor(const PictureWords& words);

struct WordsEntry {
    std::string name; // the picture's file name, as the preview's
    PictureWords words;
};

// The words of one show, an entry per picture by file name. An entry without words stands for
// the user's decision that the picture has none: filling in from the originals passes it over.
class ShowWords {
public:
    // The words of the picture; none when it has no entry or its entry holds none.
    const PictureWords* find(std::string_view name) const;
    bool hasEntry(std::string_view name) const;
    // Adds the picture's entry or replaces it; the words are cleaned.
    void set(std::string_view name, PictureWords words);
    void remove(std::string_view name);
    // Adds the words of the pictures that have no entry yet and say something; returns how many.
    std::size_t fillIn(const std::vector<WordsEntry>& found);

    const std::vector<WordsEntry>& entries() const { return m_entries; }
    bool empty() const { return m_entries.empty(); }

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>()(name);
        }
    };

    std::vector<WordsEntry> m_entries; // in the file's order
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> m_index;
};

} // namespace bildertafel::words
