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
    std::string DeviceName;                 // -d NAME
    std::optional<std::string> OutputFile;  // -o OUT
    // The programmer settings below are empty unless given on the command line; what is not
    // given comes from the settings file (see Stored).
    std::optional<TPortDriver> Driver;           // --driver
    std::optional<std::uint16_t> PortBase;       // --port
    std::optional<std::uint8_t> ProgrammerType;  // --preset
    std::optional<std::string> TraceFile;        // --trace FILE
    // The simulated programmer: the file that keeps its chip, the faults it is given and the
    // preset its board is wired as (empty: the one matching the default wiring).
    std::optional<std::string> SimChipFile;      // --sim-chip FILE
    std::vector<std::string> SimFaults;          // --sim-fault NAME, repeatable
    std::string SimBoard;                        // --sim-board PRESET
    std::optional<std::uint16_t> VppDelay;       // --vpp-delay MS
    std::optional<std::uint8_t> ProgDelay;       // --prog-delay MS
    std::optional<TTimingProfile> Timing;        // --timing NAME
    std::optional<std::string> SettingsFile;     // --settings FILE
    bool NoSettings = false;                     // --no-settings
    bool NoVerify = false;                       // --no-verify: "Auto-Verify" off
    bool NoBlankCheck = false;                   // --no-blank-check: "Blank Chk" off
    bool ChangeCal = false;                      // --change-cal: "Change Cal" on
    bool AssumeYes = false;                      // --yes: answer every question Yes
    bool ForceDevice = false;  // --force-device: go on with a chip of another device
    // --cal 0x34NN: the calibration word to write back when the chip's own cannot be kept.
    std::optional<std::uint16_t> Calibration;
    bool IgnoreOutside = false;  // --ignore-outside: write or verify a file with data outside
    bool CheckPort = false;      // --check-port: test the port first
    bool ShowHelp = false;
    bool ShowVersion = false;
    std::string Command;
    std::vector<std::string> Arguments;  // positional arguments after the command
    // The programmer settings of the settings file, or the defaults without one; read after the
    // command line, which wins over them.
    THardwareSettings Stored;
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
