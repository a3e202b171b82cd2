#include "publish/ServerRecord.h"

#include "publish/FieldLines.h"
#include "publish/PublishSet.h"
#include "publish/RunNames.h"

namespace bildertafel::publish {

namespace {

using namespace fieldlines;

constexpr std::string_view RecordHeader = "Bildertafel-Veroeffentlichung 2";
constexpr std::string_view OldRecordHeader = "Bildertafel-Veroeffentlichung 1";
constexpr std::string_view RunField = "Lauf";

// A record read from a server names nothing outside the target folder.
bool isBelowFolder(std::string_view path) {
    if (path.empty() || path.starts_with('/') || path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

bool isHash(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::string recordText(const Record& record) {
    std::string text(RecordHeader);
    text += '\n';
    for (const std::string& run : record.runs) {
        text += std::string(RunField) + '\t' + run + '\n';
    }
    for (const auto& [path, entry] : record.files) {
        text += entry.hash.empty() ? "-" : entry.hash;
        text += '\t';
        text += std::to_string(entry.size);
        text += '\t';
        text += entry.stamp.empty() ? "-" : escaped(entry.stamp);
        text += '\t';
        text += entry.modified < 0 ? "-" : std::to_string(entry.modified);
        text += '\t';
        text += escaped(path);
        text += '\n';
    }
    return text;
}

std::optional<Record> parseRecord(std::string_view text) {
    Record record;
    const bool known = eachLine(
        text, {RecordHeader, OldRecordHeader}, false,
        [&](std::string_view header, const std::vector<std::string_view>& f) {
            if (f.size() == 2 && f[0] == RunField) {
                return isRunName(f[1]) && record.runs.emplace(f[1]).second;
            }
            // The first version had no modification time.
            const bool old = header == OldRecordHeader;
            RecordEntry entry;
            if (f.size() != (old ? 4U : 5U) || !numberOf(f[1], entry.size) ||
                (f[0] != "-" && !isHash(f[0])) ||
                (!old && f[3] != "-" && (!numberOf(f[3], entry.modified) || entry.modified < 0))) {
                return false;
            }
            const auto stamp = unescaped(f[2]);
            const auto path = unescaped(f.back());
            // The words file was sent by earlier versions: its line stays, so that it goes as no
            // longer needed.
            if (!stamp || !path || !isBelowFolder(*path) ||
                (!neverSentReason(*path).empty() && !isWordsFile(*path))) {
                return false;
            }
            entry.hash = f[0] == "-" ? "" : std::string(f[0]);
            entry.stamp = *stamp == "-" ? "" : *stamp;
            return record.files.emplace(*path, std::move(entry)).second;
        });
    return known ? std::optional(std::move(record)) : std::nullopt;
}

} // namespace bildertafel::publish
