#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace vantrel::cli {

// Where a command writes: its result, and messages for the user.
struct TCliStreams {
    std::ostream& Out;
    std::ostream& Err;
};

// Runs the command line (without the program name) and returns the exit status.
[[nodiscard]] int RunCli(const std::vector<std::string>& arguments, TCliStreams streams);

// The commands, one per file.
[[nodiscard]] int RunDetectCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunIdentifyCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunDevicesCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunInfoCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunRehexCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunDisasmCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunWriteCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunVerifyCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunReadCommand(const TCliOptions& options, TCliStreams streams);
[[nodiscard]] int RunEraseCommand(const TCliOptions& options, TCliStreams streams);

}  // namespace vantrel::cli
