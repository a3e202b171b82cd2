#pragma once

#include "imaging/Preparation.h"
#include "imaging/TargetPlan.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace bildertafel::imaging {

// The memory a run's decoding may take at one time, handed to the originals in the order they
// ask for it, so that a large one is not passed over for good by small ones.
class MemoryBudget {
public:
    explicit MemoryBudget(unsigned long long bytes) : m_total(bytes) {}

    unsigned long long total() const { return m_total; }
    // Waits until the bytes fit beside those taken by others; at most total().
    void take(unsigned long long bytes);
    void giveBack(unsigned long long bytes);

private:
    const unsigned long long m_total;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    unsigned long long m_taken = 0;
    unsigned long long m_nextTicket = 0;
    unsigned long long m_serving = 0;
};

// Makes the targets of one original that are needed, decoding it once for both, once its
// decoding fits into the budget. Needs startVips().
OriginalOutcome prepareOriginal(const PlannedOriginal& original, const PreparationRequest& request,
                                MemoryBudget& budget);

} // namespace bildertafel::imaging
