#pragma once

#include "textfile/FileOutcome.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace bildertafel::textfile {

// How a writer replaces its target.
struct ReplaceMode {
    // A target that already holds exactly the new bytes is left as it is, its modification time
    // and permissions included, so that upload tools comparing times send only what changed. The
    // old file is read only when its size equals the new one.
    bool keepIdentical = false;
    // The new file is flushed to the disk before the rename and the folder after it: once
    // commit() succeeds, a power cut finds the new file, and before that the old one.
    bool durable = false;
};

// Writes one text file as a sequence of write steps and replaces the target safely: the bytes go
// to a hidden temporary file beside the target, which is renamed over the target only when
// complete. Until commit() succeeds the target keeps its previous content (or stays absent), and
// a failed or abandoned writer leaves no temporary file behind.
class TextFileWriter {
public:
    explicit TextFileWriter(std::string target, ReplaceMode mode = {});
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Checks the target and creates the temporary file at once, so that a folder that cannot
    // take it shows before anything else is written.
    FileOutcome open();
    // Checks the target only; the temporary file is created when it is needed. For files written
    // in one go, where a refusal at commit() comes just as early.
    FileOutcome prepare();

    // One piece of a write step, UTF-8, written as Windows-1252.
    void write(std::string_view utf8);
    // Bytes written as they are (already Windows-1252).
    void writeBytes(std::string_view bytes);
    // Ends the line with CR LF.
    void endLine() { m_buffer += "\r\n"; }

    // Writes what is left, closes and renames over the target. On any failure the target is
    // untouched and the temporary file removed.
    FileOutcome commit();
    // Drops everything written; removes the temporary file.
    void abandon();

    // A step failed, a write on the way included; the first failure is kept.
    bool failed() const { return m_error != 0; }
    FileFailure failure() const { return {m_error}; }
    const std::string& target() const { return m_target; }

private:
    bool checkTarget();
    bool createTemporary();
    bool nameAnonymousFile();
    bool flushBuffer();
    bool targetHoldsBuffer() const;
    bool syncFolder();
    void fail(int error);

    std::string m_target;
    std::string m_temp; // empty while a new file is written without a name
    std::string m_buffer;
    int m_error = 0; // the first failure's
    ReplaceMode m_mode;
    int m_fd = -1;
    bool m_ready = false;    // the target was checked and nothing failed since
    bool m_streamed = false; // part of the bytes went to the temporary file already
    bool m_targetExists = false;
    unsigned long long m_targetSize = 0;
    unsigned m_permissions = 0666;
    bool m_chmodNeeded = false;
};

// The whole of a file written in one go, replaced safely.
FileOutcome replaceFile(const std::filesystem::path& target, std::string_view bytes,
                        ReplaceMode mode = {});

// Removes the hidden temporary files that writers left in a folder (its path ending in "/") when
// their program was killed: only names of the writers' own pattern, only plain files, and only
// those of processes that have ended. Called by a run that holds the folder's RunLock. Returns
// how many were removed.
std::size_t removeStaleTemporaries(const std::string& folder);

// For a program ending on a signal: removes the temporary files its writers hold at this moment,
// and from then on no writer makes or names another. Returns to the caller, which ends the
// program at once.
void removeTemporariesBeforeExit();

} // namespace bildertafel::textfile
