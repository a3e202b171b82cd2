#pragma once

#include <string>
#include <utility>

namespace bildertafel::core {

// What a step of the core gives back: success, or the German reason why it failed, ready for the
// user. Converts to true on success.
class [[nodiscard]] Outcome {
public:
    Outcome() = default; // success

    static Outcome failure(std::string germanReason) {
        Outcome outcome;
        outcome.m_failed = true;
        outcome.m_reason = std::move(germanReason);
        return outcome;
    }

    bool succeeded() const { return !m_failed; }
    explicit operator bool() const { return succeeded(); }
    // Empty on success.
    const std::string& reason() const { return m_reason; }

private:
    bool m_failed = false;
    std::string m_reason;
};

} // namespace bildertafel::core
