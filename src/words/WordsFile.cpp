#include "words/WordsFile.h"

#include "textfile/LineReader.h"
#include "textfile/TextFileWriter.h"

#include <cerrno>
#include <sys/stat.h>

namespace bildertafel::words {
namespace {

constexpr std::string_view Header =
    "# Bildtexte dieser Fotoshow (UTF-8). Je Bild ein Abschnitt: der Dateiname in eckigen\n"
    "# Klammern, darunter \"Titel:\", \"Bildtext:\" und \"Alternativtext:\" (eine Beschreibung\n"
    "# für Menschen, die das Bild nicht sehen). Eine Zeile, die mit einem Leerzeichen beginnt,\n"
    "# setzt den Text darüber in einer neuen Zeile fort. Ein Abschnitt ohne Texte heißt: keine\n"
    "# Worte zu diesem Bild. Bildertafel schreibt die Datei beim Speichern neu, Bemerkungen wie\n"
    "# diese gehen dabei verloren. Die Datei wird nicht veröffentlicht.\n";

struct Field {
    std::string_view key;
    std::string PictureWords::*member;
};
constexpr Field Fields[] = {{"Titel", &PictureWords::title},
                            {"Bildtext", &PictureWords::caption},
                            {"Alternativtext", &PictureWords::altText}};

void appendField(std::string& out, std::string_view key, std::string_view text) {
    if (text.empty()) {
        return;
    }
    out.append(key).append(": ");
    for (const char c : text) {
        out += c;
        if (c == '\n') {
            out += ' ';
        }
    }
    out += '\n';
}

bool startsWithKey(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.size() <= key.size() || line[key.size()] != ':') {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char a = line[i];
        const char b = key[i];
        if (a != b && !(a >= 'A' && a <= 'Z' && a - 'A' + 'a' == b) &&
            !(a >= 'a' && a <= 'z' && a - 'a' + 'A' == b)) {
            return false;
        }
    }
    value = line.substr(key.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    return true;
}

} // namespace

std::string wordsFilePath(std::string_view showFolder) {
    std::string path(showFolder);
    if (!path.empty() && !path.ends_with('/')) {
        path += '/';
    }
    path += WordsFileName;
    return path;
}

std::string formatWords(const ShowWords& words) {
    std::string out(Header);
    for (const WordsEntry& entry : words.entries()) {
        if (entry.name.empty() || entry.name.find_first_of("\r\n") != std::string::npos) {
            continue;
        }
        out.append("\n[").append(entry.name).append("]\n");
        for (const Field& field : Fields) {
            appendField(out, field.key, entry.words.*field.member);
        }
    }
    return out;
}

ShowWords parseWords(std::string_view text) {
    ShowWords words;
    std::string name;
    PictureWords current;
    std::string* field = nullptr;
    bool inSection = false;
    const auto finishSection = [&] {
        if (inSection) {
            words.set(name, std::move(current));
        }
        current = {};
        field = nullptr;
    };
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3); // a byte-order mark an editor put there
    }
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.starts_with(' ') || line.starts_with('\t')) {
            if (field != nullptr) {
                field->append("\n").append(line.substr(1));
            }
            continue;
        }
        field = nullptr;
        std::string_view trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
            trimmed.remove_suffix(1);
        }
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            finishSection();
            name.assign(trimmed.substr(1, trimmed.size() - 2));
            inSection = true;
            continue;
        }
        if (!inSection || line.starts_with('#')) {
            continue;
        }
        for (const Field& fieldKey : Fields) {
            std::string_view value;
            if (startsWithKey(line, fieldKey.key, value)) {
                field = &(current.*fieldKey.member);
                field->assign(value);
                break;
            }
        }
    }
    finishSection();
    return words;
}

WordsOutcome readWordsFile(const std::string& path, ShowWords& words) {
    using Kind = WordsFailure::Kind;
    words = {};
    // Looked at first: a pipe or a huge file is never read.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return {};
        }
        return WordsFailure{Kind::System, errno};
    }
    if (!S_ISREG(info.st_mode)) {
        return WordsFailure{Kind::NotAFile, 0};
    }
    if (static_cast<unsigned long long>(info.st_size) > LargestWordsFile) {
        return WordsFailure{Kind::TooLarge, 0};
    }
    std::string text;
    if (const textfile::FileOutcome read = textfile::readFileBytes(path, text); !read) {
        return WordsFailure{Kind::System, read.failure().error};
    }
    words = parseWords(text);
    return {};
}

WordsOutcome writeWordsFile(const std::string& path, const ShowWords& words) {
    if (const textfile::FileOutcome written =
            textfile::replaceFile(path, formatWords(words), {.durable = true});
        !written) {
        return WordsFailure{WordsFailure::Kind::System, written.failure().error};
    }
    return {};
}

WordsOutcome fillWordsFile(const std::string& path, const std::vector<WordsEntry>& found,
                           std::size_t& added) {
    added = 0;
    ShowWords words;
    if (WordsOutcome read = readWordsFile(path, words); !read) {
        return read;
    }
    added = words.fillIn(found);
    return added == 0 ? WordsOutcome() : writeWordsFile(path, words);
}

} // namespace bildertafel::words
