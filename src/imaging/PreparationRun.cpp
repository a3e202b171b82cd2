#include "imaging/Preparation.h"

#include "imaging/CreditWriting.h"
#include "imaging/PictureMaker.h"
#include "imaging/PreparationTexts.h"
#include "imaging/TargetPlan.h"
#include "imaging/VipsSetup.h"
#include "textfile/RunLock.h"
#include "textfile/TextFileWriter.h"

#include <vips/vips8>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace bildertafel::imaging {
namespace {

using Clock = std::chrono::steady_clock;

PreparationResult refused(std::string refusal) {
    PreparationResult result;
    result.outcome = PreparationOutcome::Refused;
    result.refusal = std::move(refusal);
    return result;
}

std::string createTargetFolders(const TargetPlan& plan) {
    for (const std::filesystem::path& folder : plan.targetFolders) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            return texts::folderNotCreated(folder.string(), error.value());
        }
    }
    return {};
}

// Hands out the originals one by one to the workers and reports each finished one. Everything
// here runs under the lock, so the host's callbacks are never called at the same time.
class RunState {
public:
    RunState(const TargetPlan& plan, const PreparationCallbacks& callbacks)
        : m_plan(plan), m_callbacks(callbacks), m_outcomes(plan.originals.size()),
          m_start(Clock::now()) {}

    // The next original to begin, or none when all are begun or the host asks to stop.
    std::optional<std::size_t> begin() {
        const std::lock_guard lock(m_mutex);
        if (m_cancelled || m_notWritable || m_next == m_outcomes.size()) {
            return std::nullopt;
        }
        if (m_callbacks.cancelRequested && m_callbacks.cancelRequested()) {
            m_cancelled = true;
            return std::nullopt;
        }
        if (m_callbacks.begun) {
            m_callbacks.begun(m_plan.originals[m_next].name);
        }
        return m_next++;
    }

    void finish(std::size_t index, OriginalOutcome outcome) {
        const std::lock_guard lock(m_mutex);
        m_completed += outcome.complete() ? 1 : 0;
        for (const FailedTarget& failure : outcome.failures) {
            if (!m_notWritable && refusesEveryTarget(failure.error)) {
                m_notWritable = failure;
            }
        }
        m_outcomes[index] = std::move(outcome);
        ++m_done;
        if (!m_callbacks.progress) {
            return;
        }
        const std::size_t total = m_outcomes.size();
        const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
        m_callbacks.progress(
            {m_done, total, m_plan.originals[index].name,
             elapsed / static_cast<double>(m_done) * static_cast<double>(total - m_done),
             &m_outcomes[index], m_completed});
    }

    // Called once the workers have ended.
    PreparationResult result() {
        PreparationResult result;
        result.outcome = m_notWritable ? PreparationOutcome::NotWritable
                         : m_cancelled ? PreparationOutcome::Cancelled
                                       : PreparationOutcome::Done;
        if (m_notWritable) {
            result.notWritable = *m_notWritable;
        }
        result.originals = m_outcomes.size();
        result.finished = m_done;
        result.completed = m_completed;
        for (std::size_t i = 0; i < m_next; ++i) {
            OriginalOutcome& outcome = m_outcomes[i];
            result.picturesMade += outcome.pictureMade ? 1 : 0;
            result.largeMade += outcome.largeMade ? 1 : 0;
            result.minisMade += outcome.miniMade ? 1 : 0;
            result.upToDate += outcome.upToDate ? 1 : 0;
            if (!outcome.skipReason.empty()) {
                result.skipped.push_back({m_plan.originals[i].name, outcome.skipReason});
            }
            for (FailedTarget& failure : outcome.failures) {
                result.failures.push_back(std::move(failure));
            }
            for (std::string& reason : outcome.leftOut) {
                result.leftOut.push_back({m_plan.originals[i].name, std::move(reason)});
            }
            if (!outcome.words.empty()) {
                result.words.push_back(
                    {targetNameFor(m_plan.originals[i].name), std::move(outcome.words)});
            }
        }
        return result;
    }

private:
    const TargetPlan& m_plan;
    const PreparationCallbacks& m_callbacks;
    std::vector<OriginalOutcome> m_outcomes;
    const Clock::time_point m_start;
    std::mutex m_mutex;
    std::size_t m_next = 0;
    std::size_t m_done = 0;
    std::size_t m_completed = 0;
    bool m_cancelled = false;
    std::optional<FailedTarget> m_notWritable; // the first target whose folder refuses writing
};

OriginalOutcome prepareSafely(const PlannedOriginal& original, const PreparationRequest& request,
                              MemoryBudget& budget) {
    try {
        return prepareOriginal(original, request, budget);
    } catch (const std::exception&) {
        OriginalOutcome outcome;
        outcome.skipReason = texts::unexpectedFailure();
        return outcome;
    }
}

void work(RunState& state, const TargetPlan& plan, const PreparationRequest& request,
          MemoryBudget& budget) {
    while (const std::optional<std::size_t> index = state.begin()) {
        state.finish(*index, prepareSafely(plan.originals[*index], request, budget));
    }
    // Threads libvips did not start itself free its per-thread buffers this way.
    vips_thread_shutdown();
}

} // namespace

unsigned long long defaultMemoryBudget() {
    constexpr unsigned long long Most = 2ULL << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return Most;
    }
    return std::min(Most, static_cast<unsigned long long>(pages) *
                              static_cast<unsigned long long>(pageSize) / 4);
}

PreparationResult prepareImages(const PreparationRequest& request,
                                const PreparationCallbacks& callbacks) {
    TargetPlan plan;
    if (std::string refusal = planTargets(request, plan); !refusal.empty()) {
        return refused(std::move(refusal));
    }
    if (std::string refusal = noticeRefusal(request); !refusal.empty()) {
        return refused(std::move(refusal));
    }
    if (!startVips()) {
        return refused(texts::libraryNotStarted());
    }
    if (std::string refusal = createTargetFolders(plan); !refusal.empty()) {
        return refused(std::move(refusal));
    }
    // One run at a time into these folders; what a killed run left there goes.
    std::vector<std::string> folders;
    for (const std::filesystem::path& folder : plan.targetFolders) {
        folders.push_back(folder.string());
        if (!folders.back().ends_with('/')) {
            folders.back() += '/';
        }
    }
    textfile::RunLock lock;
    if (!lock.acquire(folders)) {
        return refused(textfile::anotherRunIsWorking(lock.busyFolder()));
    }
    for (const std::string& folder : folders) {
        textfile::removeStaleTemporaries(folder);
    }
    if (!plan.largeFolder.empty()) {
        textfile::removeStaleTemporaries(plan.largeFolder.string() + '/');
    }

    RunState state(plan, callbacks);
    MemoryBudget budget(request.memoryBudget > 0 ? request.memoryBudget : defaultMemoryBudget());
    // One original per worker, one worker per core; libvips' own threads share out what cores
    // the workers leave, so the run keeps about as many threads busy as there are cores.
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(cores, plan.originals.size());
    vips_concurrency_set(
        static_cast<int>(std::max<std::size_t>(1, cores / std::max<std::size_t>(workers, 1))));
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            threads.emplace_back(work, std::ref(state), std::cref(plan), std::cref(request),
                                 std::ref(budget));
        } catch (const std::system_error&) {
            break; // the workers already running take on the rest
        }
    }
    if (threads.empty() && workers > 0) {
        work(state, plan, request, budget);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return state.result();
}

} // namespace bildertafel::imaging
