#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"

namespace vantrel::cli {

// Where a command writes: its result, and messages for the user.
struct TCliStreams {
    std::ostream& Out;
    std::ostream& Err;
};

// One command as the help and the manual page describe it.
struct TCommandHelp {
    std::string_view Name;
    std::string_view Usage;  // the command line after "vantrel-cli "
    std::string_view Help;
};

// Every command, in the help's order.
[[nodiscard]] std::vector<TCommandHelp> CommandHelpRows();

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
