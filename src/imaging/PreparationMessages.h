#pragma once

#include "imaging/Preparation.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines in which a program making the pictures tells the window how its run goes, and the
// window's reading of them. One message is one line of fields separated by tabs; a field keeps
// its bytes, with backslash, tab and line break written as "\\", "\t" and "\n".
namespace bildertafel::imaging {

namespace messages {

std::string begun(std::string_view name);
// The targets that failed, the fields left out of its picture and its words, then the original's
// line.
std::string finished(const PreparationProgress& progress);
// Written by the program's crash handler: the original its crashing thread worked on.
std::string crashed(std::string_view name);
std::string refused(std::string_view refusal);
std::string ended(const PreparationResult& result);

// The field as it goes into a line.
std::string escaped(std::string_view field);

} // namespace messages

// What the window knows of a run from the lines of the programs making it. After one of them
// crashed, a new one goes on with the rest: the report carries over what is finished.
class PreparationReport {
public:
    enum class Ending {
        Finished, // done or cancelled: see result()
        Refused,  // see refusal()
        Crashed,  // see crashedOn(); go on with leaveOut()
    };

    // A new program starts on what the earlier ones left.
    void startProgram();
    // The next bytes of the program's output. Calls progress for every finished original, its
    // counts taken over the whole run.
    void read(std::string_view bytes,
              const std::function<void(const PreparationProgress&)>& progress = {});
    // The program has ended; cancelRequested: the window had asked it to stop. A crashed program
    // counts the originals it was working on as skipped.
    Ending programEnded(bool cancelRequested);

    // Where the run stands, the finished originals in list order.
    PreparationResult result() const;
    const std::string& refusal() const { return m_refusal; }
    const std::vector<std::string>& crashedOn() const { return m_crashedOn; }
    // The originals a program that goes on with the rest leaves out: every one finished.
    std::vector<std::string> leaveOut() const;

private:
    void take(const std::vector<std::string>& fields,
              const std::function<void(const PreparationProgress&)>& progress);

    struct Finished {
        std::string name;
        OriginalOutcome outcome;
    };

    std::vector<Finished> m_finished;   // over every program of the run
    std::size_t m_finishedBefore = 0;   // by the programs before the current one
    std::string m_pending;              // an incomplete line
    std::vector<FailedTarget> m_failed; // of the original whose line comes next
    std::vector<std::string> m_leftOut; // likewise
    words::PictureWords m_words;        // likewise
    std::vector<std::string> m_inProgress;
    std::string m_crashedName; // told by the program itself
    std::vector<std::string> m_crashedOn;
    std::size_t m_total = 0; // the current program's originals
    bool m_ended = false;
    bool m_cancelled = false;
    bool m_crashed = false;
    std::optional<FailedTarget> m_notWritable; // told by the program's end
    std::size_t m_completed = 0;               // over every program of the run
    std::string m_refusal;
};

} // namespace bildertafel::imaging
