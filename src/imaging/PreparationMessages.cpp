#include "imaging/PreparationMessages.h"

#include "filelist/FileList.h"
#include "imaging/PreparationTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace bildertafel::imaging {
namespace {

std::string line(std::initializer_list<std::string_view> fields) {
    std::string text;
    for (const std::string_view field : fields) {
        if (!text.empty()) {
            text += '\t';
        }
        text += messages::escaped(field);
    }
    text += '\n';
    return text;
}

std::vector<std::string> fieldsOf(std::string_view text) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool toNumber(const std::string& field, long long& number) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    return error == std::errc() && end == field.data() + field.size();
}

} // namespace

namespace messages {

std::string escaped(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (const char c : field) {
        switch (c) {
        case '\\':
            text += "\\\\";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\n':
            text += "\\n";
            break;
        default:
            text += c;
        }
    }
    return text;
}

std::string begun(std::string_view name) {
    return line({"begun", name});
}

std::string finished(const PreparationProgress& progress) {
    static const OriginalOutcome nothing;
    const OriginalOutcome& outcome = progress.outcome != nullptr ? *progress.outcome : nothing;
    std::string text;
    for (const FailedTarget& failure : outcome.failures) {
        text += line({"failed", failure.path, failure.reason});
    }
    for (const std::string& reason : outcome.leftOut) {
        text += line({"leftout", reason});
    }
    if (!outcome.words.empty()) {
        text += line({"words", outcome.words.title, outcome.words.caption, outcome.words.altText});
    }
    std::string made;
    made += outcome.pictureMade ? "p" : "";
    made += outcome.largeMade ? "g" : "";
    made += outcome.miniMade ? "m" : "";
    made += outcome.upToDate ? "u" : "";
    const long long millis = progress.secondsLeft >= 0 && std::isfinite(progress.secondsLeft)
                                 ? std::llround(progress.secondsLeft * 1000)
                                 : -1;
    text += line({"done", std::to_string(progress.done), std::to_string(progress.total),
                  std::to_string(millis), made.empty() ? "-" : made, progress.currentName,
                  outcome.skipReason});
    return text;
}

std::string crashed(std::string_view name) {
    // Begins with a line break: another thread may have been half way through a line.
    return "\n" + line({"crashed", name});
}

std::string refused(std::string_view refusal) {
    return line({"refused", refusal});
}

std::string ended(const PreparationResult& result) {
    if (result.outcome == PreparationOutcome::NotWritable) {
        return line({"end", "notwritable", std::to_string(result.originals),
                     result.notWritable.path, std::to_string(result.notWritable.error)});
    }
    return line({"end", result.outcome == PreparationOutcome::Cancelled ? "cancelled" : "done",
                 std::to_string(result.originals)});
}

} // namespace messages

void PreparationReport::startProgram() {
    m_finishedBefore = m_finished.size();
    m_pending.clear();
    m_failed.clear();
    m_leftOut.clear();
    m_words = {};
    m_inProgress.clear();
    m_crashedName.clear();
    m_crashedOn.clear();
    m_total = 0;
    m_ended = m_cancelled = m_crashed = false;
    m_notWritable.reset();
    m_refusal.clear();
}

void PreparationReport::read(std::string_view bytes,
                             const std::function<void(const PreparationProgress&)>& progress) {
    m_pending += bytes;
    std::size_t start = 0;
    for (std::size_t end = m_pending.find('\n'); end != std::string::npos;
         end = m_pending.find('\n', start)) {
        take(fieldsOf(std::string_view(m_pending).substr(start, end - start)), progress);
        start = end + 1;
    }
    m_pending.erase(0, start);
}

void PreparationReport::take(const std::vector<std::string>& fields,
                             const std::function<void(const PreparationProgress&)>& progress) {
    // Lines that are not understood (a broken one after a crash) are passed over.
    const std::string& kind = fields[0];
    if (kind == "begun" && fields.size() == 2) {
        m_inProgress.push_back(fields[1]);
    } else if (kind == "failed" && fields.size() == 3) {
        m_failed.push_back({fields[1], fields[2]});
    } else if (kind == "leftout" && fields.size() == 2) {
        m_leftOut.push_back(fields[1]);
    } else if (kind == "words" && fields.size() == 4) {
        m_words = words::cleaned({fields[1], fields[2], fields[3]});
    } else if (kind == "crashed" && fields.size() == 2) {
        m_crashedName = fields[1];
    } else if (kind == "refused" && fields.size() == 2) {
        m_refusal = fields[1];
    } else if (kind == "end" && (fields.size() == 3 || fields.size() == 5)) {
        long long originals = 0;
        if (toNumber(fields[2], originals)) {
            m_total = static_cast<std::size_t>(originals);
        }
        m_ended = true;
        m_cancelled = fields[1] == "cancelled";
        long long error = 0;
        if (fields[1] == "notwritable" && fields.size() == 5 && toNumber(fields[4], error)) {
            m_notWritable = FailedTarget{fields[3], {}, static_cast<int>(error)};
        }
    } else if (kind == "done" && fields.size() == 7) {
        long long done = 0;
        long long total = 0;
        long long millis = 0;
        if (!toNumber(fields[1], done) || !toNumber(fields[2], total) ||
            !toNumber(fields[3], millis)) {
            return;
        }
        Finished finished{fields[5], {}};
        finished.outcome.skipReason = fields[6];
        finished.outcome.pictureMade = fields[4].find('p') != std::string::npos;
        finished.outcome.miniMade = fields[4].find('m') != std::string::npos;
        finished.outcome.largeMade = fields[4].find('g') != std::string::npos;
        finished.outcome.upToDate = fields[4].find('u') != std::string::npos;
        finished.outcome.failures = std::move(m_failed);
        m_failed.clear();
        finished.outcome.leftOut = std::move(m_leftOut);
        m_leftOut.clear();
        finished.outcome.words = std::move(m_words);
        m_words = {};
        std::erase(m_inProgress, finished.name);
        m_total = static_cast<std::size_t>(total);
        m_completed += finished.outcome.complete() ? 1 : 0;
        m_finished.push_back(std::move(finished));
        if (progress) {
            progress({m_finishedBefore + static_cast<std::size_t>(done), m_finishedBefore + m_total,
                      m_finished.back().name,
                      millis < 0 ? -1.0 : static_cast<double>(millis) / 1000,
                      &m_finished.back().outcome, m_completed});
        }
    }
}

PreparationReport::Ending PreparationReport::programEnded(bool cancelRequested) {
    if (!m_pending.empty()) {
        read("\n");
    }
    if (m_ended) {
        return Ending::Finished;
    }
    if (!m_refusal.empty()) {
        return Ending::Refused;
    }
    if (cancelRequested) {
        // Stopped before it could say so: what it finished is all there is.
        m_cancelled = true;
        return Ending::Finished;
    }
    m_crashed = true;
    if (!m_crashedName.empty()) {
        m_crashedOn = {m_crashedName};
    } else {
        m_crashedOn = m_inProgress;
    }
    for (const std::string& name : m_crashedOn) {
        OriginalOutcome outcome;
        outcome.skipReason = texts::pictureCrashedProgram();
        m_finished.push_back({name, std::move(outcome)});
    }
    return Ending::Crashed;
}

PreparationResult PreparationReport::result() const {
    PreparationResult result;
    if (!m_refusal.empty()) {
        result.outcome = PreparationOutcome::Refused;
        result.refusal = m_refusal;
        return result;
    }
    result.outcome = m_crashed       ? PreparationOutcome::Crashed
                     : m_notWritable ? PreparationOutcome::NotWritable
                     : m_cancelled   ? PreparationOutcome::Cancelled
                                     : PreparationOutcome::Done;
    if (m_notWritable) {
        result.notWritable = *m_notWritable;
    }
    result.finished = m_finished.size();
    result.completed = m_completed;
    result.originals = std::max(result.finished, m_finishedBefore + m_total);
    std::vector<const Finished*> inOrder;
    inOrder.reserve(m_finished.size());
    for (const Finished& finished : m_finished) {
        inOrder.push_back(&finished);
    }
    std::stable_sort(inOrder.begin(), inOrder.end(), [](const Finished* a, const Finished* b) {
        return filelist::listOrderLess(a->name, b->name);
    });
    for (const Finished* finished : inOrder) {
        const OriginalOutcome& outcome = finished->outcome;
        result.picturesMade += outcome.pictureMade ? 1 : 0;
        result.minisMade += outcome.miniMade ? 1 : 0;
        result.largeMade += outcome.largeMade ? 1 : 0;
        result.upToDate += outcome.upToDate ? 1 : 0;
        if (!outcome.skipReason.empty()) {
            result.skipped.push_back({finished->name, outcome.skipReason});
        }
        result.failures.insert(result.failures.end(), outcome.failures.begin(),
                               outcome.failures.end());
        for (const std::string& reason : outcome.leftOut) {
            result.leftOut.push_back({finished->name, reason});
        }
        if (!outcome.words.empty()) {
            result.words.push_back({targetNameFor(finished->name), outcome.words});
        }
    }
    return result;
}

std::vector<std::string> PreparationReport::leaveOut() const {
    std::vector<std::string> names;
    names.reserve(m_finished.size());
    for (const Finished& finished : m_finished) {
        names.push_back(finished.name);
    }
    return names;
}

} // namespace bildertafel::imaging
