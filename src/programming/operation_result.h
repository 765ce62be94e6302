#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/device_id.h"

namespace vantrel {

// How a chip operation ended, as both programs report it.
enum class TOperationOutcome {
    Succeeded,
    // A verify error, a chip that is not blank, no chip answering, a port that failed part-way.
    Failed,
    // The user answered No to a question the operation asked (or gave no value when asked
    // for one): the erase, a calibration question, going on with a chip of another device.
    Declined,
    Cancelled,     // stopped on request (Cancel, a signal) at a port access
    NoProgrammer,  // no port could be opened, or it failed to answer
};

struct TOperationResult {
    TOperationOutcome Outcome = TOperationOutcome::Succeeded;
    std::uint16_t WordsWritten = 0;  // by a Write: the count its final status text shows
    std::uint32_t Seconds = 0;       // whole seconds the operation took
    // The text of the failure: why the operation refused the chip, the last message box the
    // operation showed, or what went wrong without one (a port that failed part-way, a part
    // that cannot be erased).
    std::string Failure;
    // Whether the user has seen Failure already, in the operation's own message box.
    bool FailureShown = false;
    // The stop token's reason when Cancelled: TStopToken::kCancelled or a signal number.
    int StopReason = 0;
    // The chip that answered when the operation began, the device and revision it names;
    // nothing for parts without a device ID or when the operation did not get that far.
    std::optional<TChipIdentity> Identity;

    [[nodiscard]] bool Succeeded() const { return Outcome == TOperationOutcome::Succeeded; }
};

}  // namespace vantrel
