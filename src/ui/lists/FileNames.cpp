#include "ui/lists/FileNames.h"

#include "textfile/Windows1252.h"

#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <vector>

namespace bildertafel::uilists {

namespace {

constexpr char16_t KeptByte = 0xDC00; // U+DC80 to U+DCFF: the bytes 0x80 to 0xFF

} // namespace

QString fromFileName(std::string_view bytes) {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    QString text;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t run = pos;
        while (run < bytes.size()) {
            const std::size_t length = static_cast<unsigned char>(bytes[run]) < 0x80
                                           ? 1
                                           : textfile::utf8CharacterLength(bytes, run);
            if (length == 0) {
                break;
            }
            run += length;
        }
        text += QString::fromUtf8(bytes.data() + pos, static_cast<qsizetype>(run - pos));
        if (run < bytes.size()) {
            text += QChar(static_cast<char16_t>(KeptByte | static_cast<unsigned char>(bytes[run])));
            ++run;
        }
        pos = run;
    }
    return text;
}

std::string toFileName(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            textfile::appendUtf8(bytes, QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
            ++i;
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            bytes += static_cast<char>(unit & 0xFF);
        } else if (QChar::isSurrogate(unit)) {
            textfile::appendUtf8(bytes, 0xFFFD);
        } else {
            textfile::appendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QString workingFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return QStringLiteral("/");
        }
        buffer.resize(buffer.size() * 2);
    }
    return fromFileName(buffer.data());
}

} // namespace bildertafel::uilists
