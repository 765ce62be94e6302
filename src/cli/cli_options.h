#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hardware/hardware_settings.h"
#include "hardware/port_lines.h"
#include "hardware/programmer_presets.h"

namespace vantrel::cli {

// Exit statuses scripts rely on.
enum TExitStatus : int {
    kExitSuccess = 0,
    kExitOperationFailed = 1,  // the operation failed or was declined
    kExitBadInput = 2,         // bad usage, unknown device, unreadable or malformed file
    kExitNoProgrammer = 3,     // the port cannot be opened or no programmer was found
};

struct TCliOptions {
    std::string DeviceName;                           // -d NAME
    std::optional<std::string> OutputFile;            // -o OUT
    TPortDriver Driver = TPortDriver::Ppdev;          // --driver
    std::uint16_t PortBase = kDefaultPortBase;        // --port
    std::uint8_t ProgrammerType = kProgrammerCustom;  // --preset
    std::optional<std::string> TraceFile;             // --trace FILE
    // The simulated programmer: the file that keeps its chip, the faults it is given and the
    // preset its board is wired as (empty: the one matching the default wiring).
    std::optional<std::string> SimChipFile;      // --sim-chip FILE
    std::vector<std::string> SimFaults;          // --sim-fault NAME, repeatable
    std::string SimBoard;                        // --sim-board PRESET
    std::uint16_t VppDelay = kDefaultVppDelay;   // --vpp-delay MS
    std::uint8_t ProgDelay = kDefaultProgDelay;  // --prog-delay MS
    bool NoVerify = false;                       // --no-verify: "Auto-Verify" off
    bool NoBlankCheck = false;                   // --no-blank-check: "Blank Chk" off
    bool ChangeCal = false;                      // --change-cal: "Change Cal" on
    bool AssumeYes = false;                      // --yes: answer every question Yes
    bool CheckPort = false;                      // --check-port: test the port first
    bool ShowHelp = false;
    bool ShowVersion = false;
    std::string Command;
    std::vector<std::string> Arguments;  // positional arguments after the command
};

struct TParseResult {
    TCliOptions Options;
    std::string Error;  // empty when the command line was understood
};

[[nodiscard]] TParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The option lines of the help text.
[[nodiscard]] std::string OptionsHelp();

// One row of the option table as the help and the manual page describe it.
struct TOptionHelp {
    std::string_view Long;
    char Short;                  // 0 when the option has no short form
    std::string_view ValueName;  // empty for a flag
    std::string_view Help;
};

// Every row of the option table, in its order.
[[nodiscard]] std::vector<TOptionHelp> OptionHelpRows();

}  // namespace vantrel::cli
