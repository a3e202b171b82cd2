#include "words/PictureWords.h"

#include "textfile/Windows1252.h"

namespace bildertafel::words {
namespace {

void dropTrailingBlanks(std::string& line) {
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
}

// The text with line breaks as "\n" (or blanks), without other control characters, blanks at
// line ends or empty lines at its ends.
std::string cleanedText(std::string_view text, bool keepLines) {
    std::string out;
    out.reserve(text.size());
    std::size_t plain = 0; // the start of a run of printable ASCII, taken over as it is
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            ++i;
            continue;
        }
        out.append(text.substr(plain, i - plain));
        if (byte == '\r' || byte == '\n') {
            i += byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            dropTrailingBlanks(out);
            out += keepLines ? '\n' : ' ';
        } else if (byte < 0x80) {
            out += byte == '\t' ? " " : ""; // other control characters go
            ++i;
        } else if (const std::size_t length = textfile::utf8CharacterLength(text, i); length == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD
            ++i;
        } else {
            // U+0080 to U+009F are control characters too (C2 80 to C2 9F).
            if (!(length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
                out.append(text.substr(i, length));
            }
            i += length;
        }
        plain = i;
    }
    out.append(text.substr(plain));
    dropTrailingBlanks(out);
    // Empty lines (and blanks) at the ends say nothing.
    const std::size_t first = out.find_first_not_of(keepLines ? " \n" : " ");
    if (first == std::string::npos) {
        return {};
    }
    out.erase(0, first);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

} // namespace

PictureWords cleaned(PictureWords words) {
    words.title = cleanedText(words.title, false);
    words.caption = cleanedText(words.caption, true);
    words.altText = cleanedText(words.altText, false);
    return words;
}

std::string altTextFor(const PictureWords& words) {
    std::string alt = !words.altText.empty() ? words.altText
                      : !words.title.empty() ? words.title
                                             : words.caption;
    for (char& c : alt) {
        if (c == '\n') {
            c = ' ';
        }
    }
    return alt;
}

const PictureWords* ShowWords::find(std::string_view name) const {
    const auto found = m_index.find(name);
    if (found == m_index.end() || m_entries[found->second].words.empty()) {
        return nullptr;
    }
    return &m_entries[found->second].words;
}

bool ShowWords::hasEntry(std::string_view name) const {
    return m_index.contains(name);
}

void ShowWords::set(std::string_view name, PictureWords words) {
    const auto [found, added] = m_index.try_emplace(std::string(name), m_entries.size());
    if (added) {
        m_entries.push_back({std::string(name), cleaned(std::move(words))});
    } else {
        m_entries[found->second].words = cleaned(std::move(words));
    }
}

void ShowWords::remove(std::string_view name) {
    const auto found = m_index.find(name);
    if (found == m_index.end()) {
        return;
    }
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(found->second));
    m_index.clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        m_index.emplace(m_entries[i].name, i);
    }
}

std::size_t ShowWords::fillIn(const std::vector<WordsEntry>& found) {
    std::size_t added = 0;
    for (const WordsEntry& entry : found) {
        PictureWords words = cleaned(entry.words);
        if (!words.empty() && !hasEntry(entry.name)) {
            set(entry.name, std::move(words));
            ++added;
        }
    }
    return added;
}

} // namespace bildertafel::words
