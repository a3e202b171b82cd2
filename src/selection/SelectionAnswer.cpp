#include "selection/SelectionAnswer.h"

#include "core/AsciiText.h"
#include "selection/SelectionAddress.h"
#include "textfile/Windows1252.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace bildertafel::selection {

namespace {

constexpr std::size_t LongestShownName = 120;

std::string_view trimmed(std::string_view text) {
    return core::trimmed(text, " \t\r\f\v");
}

// A line without the marks of quoting ("> ", ">> ", "> > ") and the blanks around it.
std::string_view unquoted(std::string_view line) {
    line = trimmed(line);
    while (!line.empty() && line.front() == '>') {
        line = trimmed(line.substr(1));
    }
    return line;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(unquoted(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// A name of the answer as a message may show it: control characters and broken UTF-8 as "?",
// and not longer than a line.
std::string printable(std::string_view name) {
    const bool utf8 = textfile::isUtf8(name);
    std::string shown;
    std::size_t characters = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool continuation = (byte & 0xC0) == 0x80;
        if (!continuation && ++characters > LongestShownName) {
            shown += "…";
            break;
        }
        shown += byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80) ? '?' : c;
    }
    return shown;
}

bool startsWithFolded(std::string_view line, std::string_view start) {
    return line.size() >= start.size() &&
           std::equal(start.begin(), start.end(), line.begin(), [](char a, char b) {
               const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return fold(a) == fold(b);
           });
}

std::string asciiFolded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    return folded;
}

class ShowNames {
public:
    explicit ShowNames(const std::vector<std::string>& names) {
        for (std::size_t at = 0; at < names.size(); ++at) {
            m_exact.emplace(names[at], at);
            m_folded.emplace(asciiFolded(names[at]), at);
        }
    }

    // The picture a name of the answer stands for: as it is, without its extension, then
    // without regard to the case of ASCII letters, as photo programs search.
    std::optional<std::size_t> find(std::string_view name) const {
        for (const std::string_view candidate : {name, pictureBaseOf(name)}) {
            if (const auto it = m_exact.find(std::string(candidate)); it != m_exact.end()) {
                return it->second;
            }
        }
        for (const std::string_view candidate : {name, pictureBaseOf(name)}) {
            if (const auto it = m_folded.find(asciiFolded(candidate)); it != m_folded.end()) {
                return it->second;
            }
        }
        return std::nullopt;
    }

private:
    std::unordered_map<std::string, std::size_t> m_exact;
    std::unordered_map<std::string, std::size_t> m_folded; // the first of names that fold alike
};

class Collected {
public:
    Collected(const ShowNames& names, std::size_t showSize) : m_names(names), m_chosen(showSize) {}

    // True when the name is one of the show's.
    bool take(std::string_view name, bool unknownCounts) {
        if (name.empty()) {
            return false;
        }
        if (const auto at = m_names.find(name)) {
            m_chosen[*at] = true;
            return true;
        }
        if (unknownCounts) {
            std::string shown = printable(name);
            if (std::find(m_unknown.begin(), m_unknown.end(), shown) == m_unknown.end()) {
                m_unknown.push_back(std::move(shown));
            }
        }
        return false;
    }

    void into(SelectionAnswer& answer) const {
        for (std::size_t at = 0; at < m_chosen.size(); ++at) {
            if (m_chosen[at]) {
                answer.chosen.push_back(at);
            }
        }
        answer.unknownCount = m_unknown.size();
        answer.unknown.assign(m_unknown.begin(),
                              m_unknown.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(m_unknown.size(), MaxUnknown)));
    }

private:
    const ShowNames& m_names;
    std::vector<bool> m_chosen;
    std::vector<std::string> m_unknown;
};

// The encoded selection of the first address in the lines, joined again where a mail program
// wrapped it: a line that is wholly made of its characters continues it until its "!".
std::optional<std::string> addressIn(const std::vector<std::string_view>& lines) {
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const std::size_t mark = lines[at].find(AddressMark);
        if (mark == std::string_view::npos) {
            continue;
        }
        std::string_view rest = lines[at].substr(mark + AddressMark.size());
        std::string encoded;
        while (true) {
            const auto end = std::find_if_not(rest.begin(), rest.end(), isSelectionCharacter);
            encoded.append(rest.begin(), end);
            if (end != rest.end() || ++at == lines.size()) {
                break;
            }
            rest = lines[at];
            if (rest.empty() ||
                !std::all_of(rest.begin(), rest.end(),
                             [](char c) { return isSelectionCharacter(c) || c == '!'; }) ||
                rest.find('!') < rest.size() - 1) {
                break;
            }
        }
        return encoded;
    }
    return std::nullopt;
}

// The names a line of a list gives: the whole line, else its parts between commas or
// semicolons. An unknown name counts where the line is a list's.
void takeLine(std::string_view line, Collected& collected, bool inList) {
    if (collected.take(line, false)) {
        return;
    }
    std::vector<std::string_view> parts;
    while (!line.empty()) {
        const std::size_t end = line.find_first_of(",;");
        parts.push_back(trimmed(line.substr(0, end)));
        line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
    }
    const bool anyKnown = std::any_of(parts.begin(), parts.end(), [&collected](std::string_view p) {
        return collected.take(p, false);
    });
    for (const std::string_view part : parts) {
        collected.take(part, inList || (anyKnown && parts.size() > 1));
    }
}

bool endsList(std::string_view line) {
    return line.empty() || line.starts_with(ChooserStart) || line.starts_with(AddressStart);
}

} // namespace

std::string_view pictureBaseOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

SelectionAnswer readSelectionAnswer(std::string_view pasted,
                                    const std::vector<std::string>& showNames) {
    const std::vector<std::string_view> lines = linesOf(pasted);
    const ShowNames names(showNames);
    Collected collected(names, showNames.size());
    SelectionAnswer answer;

    for (const std::string_view line : lines) {
        if (line.starts_with(ChooserStart) && answer.chooser.empty()) {
            answer.chooser = printable(trimmed(line.substr(ChooserStart.size())));
        }
    }
    if (const std::optional<std::string> encoded = addressIn(lines)) {
        answer.fromAddress = true;
        for (const std::string& name : decodeSelection(*encoded)) {
            collected.take(name, true);
        }
        collected.into(answer);
        return answer;
    }
    const auto list = std::find_if(lines.begin(), lines.end(), [](std::string_view line) {
        return startsWithFolded(line, ListStart);
    });
    if (list != lines.end()) {
        for (auto line = list + 1; line != lines.end() && !endsList(*line); ++line) {
            takeLine(*line, collected, true);
        }
    } else {
        for (const std::string_view line : lines) {
            takeLine(line, collected, false);
        }
    }
    collected.into(answer);
    return answer;
}

} // namespace bildertafel::selection
