#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// How a chip operation ended, as both programs report it.
enum class TOperationOutcome {
    Succeeded,
    Failed,        // a verify error, a chip that is not blank, a port that failed part-way
    Declined,      // the user answered No to a question the operation asked
    Cancelled,     // stopped on request (Cancel, a signal) at a port access
    NoProgrammer,  // no port could be opened, or it failed to answer
};

struct TOperationResult {
    TOperationOutcome Outcome = TOperationOutcome::Succeeded;
    std::uint16_t WordsWritten = 0;  // by a Write: the count its final status text shows
    std::uint32_t Seconds = 0;       // whole seconds the operation took
    // The text of the failure: the last message box the operation showed, or what went wrong
    // without one (a port that failed part-way, a part that cannot be erased).
    std::string Failure;
    // Whether the user has seen Failure already, in the operation's own message box.
    bool FailureShown = false;
    // The stop token's reason when Cancelled: TStopToken::kCancelled or a signal number.
    int StopReason = 0;

    [[nodiscard]] bool Succeeded() const { return Outcome == TOperationOutcome::Succeeded; }
};

}  // namespace vantrel
