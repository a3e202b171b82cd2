#pragma once

#include <optional>
#include <utility>

namespace bildertafel::core {

// What a step of the core gives back: success, or its failure, a kind of the subsystem's own with
// the facts the German sentence needs. The subsystem's texts compose that sentence where the
// failure is shown, so the failing step holds no words. Converts to true on success.
template <class Failure>
class [[nodiscard]] Outcome {
public:
    Outcome() = default; // success
    // A failure returns as it is: `return WordsFailure{...};`.
    Outcome(Failure failure) : m_failure(std::move(failure)) {}

    bool succeeded() const { return !m_failure.has_value(); }
    explicit operator bool() const { return succeeded(); }
    // What failed; only after a failure.
    const Failure& failure() const { return *m_failure; }

private:
    std::optional<Failure> m_failure;
};

} // namespace bildertafel::core
