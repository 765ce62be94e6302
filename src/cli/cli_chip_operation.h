#pragma once

#include <iosfwd>
#include <memory>

#include "cli/cli_commands.h"
#include "programming/programming_ui.h"
#include "programming/vantrel_session.h"

namespace vantrel::cli {

inline constexpr const char* kSimulatedProgrammerNotice =
    "vantrel-cli: simulated programmer - no real chip is involved";

// A session for the device of -d with the options of the command line ("Auto-Verify",
// "Blank Chk", "Change Cal") and its programmer settings; nothing when the device is missing or
// unknown (reported on err).
[[nodiscard]] std::unique_ptr<TVantrelSession> ChipSession(const TCliOptions& options,
                                                           std::ostream& err);

// The same for a command given one HEX file, loaded into the image as Open does; nothing when
// the device or the file is missing, unknown, unreadable or malformed, holds no data, or holds
// values outside the device's memory without --ignore-outside (reported on err).
[[nodiscard]] std::unique_ptr<TVantrelSession> ChipSessionWithFile(const TCliOptions& options,
                                                                   std::ostream& err);

// Opens the programmer the session's settings name and runs one chip operation with the command
// line's user interface, status texts going to `status`. With --check-port the port is tested
// first and a port without a programmer ends with kExitNoProgrammer. The outputs are switched
// off however it ends; returns the exit status of the outcome, which closing the programmer may
// turn into a failure (a simulated chip that could not be kept). `succeeded`, when given, tells
// whether the operation itself succeeded, whatever closing found.
[[nodiscard]] int RunChipOperation(const TCliOptions& options, TCliStreams streams,
                                   TVantrelSession& session, std::ostream& status,
                                   TChipOperation operation, bool* succeeded = nullptr);

}  // namespace vantrel::cli
