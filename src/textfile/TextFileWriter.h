#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace bildertafel::textfile {

// Writes one text file as a sequence of write steps and replaces the target safely: the bytes go
// to a hidden temporary file beside the target, which is renamed over the target only when
// complete. Until commit() succeeds the target keeps its previous content (or stays absent), and
// a failed or abandoned writer leaves no temporary file behind.
class TextFileWriter {
public:
    explicit TextFileWriter(std::filesystem::path target);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Creates the temporary file. Returns false (see failureReason) when the folder cannot take it.
    bool open();

    // One piece of a write step, UTF-8, written as Windows-1252.
    void write(std::string_view utf8);
    // Bytes written as they are (already Windows-1252).
    void writeBytes(std::string_view bytes);
    // Ends the line with CR LF.
    void endLine() { m_buffer += "\r\n"; }

    // Writes what is left, closes and renames over the target. Returns false on any failure; the
    // target is then untouched and the temporary file removed.
    bool commit();
    // Drops everything written; removes the temporary file.
    void abandon();

    bool failed() const { return !m_reason.empty(); }
    const std::string& failureReason() const { return m_reason; }
    const std::filesystem::path& target() const { return m_target; }

private:
    bool flushBuffer();
    void fail(int error);

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    std::string m_buffer;
    std::string m_reason;
    int m_fd = -1;
};

// The whole of a file written in one go, replaced safely. Returns false and sets reason on failure.
bool replaceFile(const std::filesystem::path& target, std::string_view bytes, std::string& reason);

} // namespace bildertafel::textfile
