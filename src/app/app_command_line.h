#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hardware/hardware_settings.h"

namespace vantrel {

// The exit statuses of the window's unattended run; they mean what they mean for vantrel-cli.
enum TAppExitStatus : int {
    kAppExitSuccess = 0,
    kAppExitOperationFailed = 1,  // the Write failed, was declined or was cancelled
    kAppExitBadInput = 2,         // bad usage, unknown device, missing or unreadable file
    kAppExitNoProgrammer = 3,     // no programmer could be opened
};

// What `vantrel [options] [DEVICE [FILE]]` asks for.
struct TAppCommandLine {
    bool Help = false;
    bool Version = false;
    // The programmer options; each is empty when not given, so the stored settings stand.
    std::optional<TPortDriver> Driver;
    std::optional<std::uint16_t> PortBase;
    std::optional<std::string> SimChipFile;
    std::optional<std::string> SimBoard;
    std::vector<std::string> SimFaults;
    // The unattended run: a device to select and a HEX file to write into it.
    std::optional<std::string> DeviceName;
    std::optional<std::string> FilePath;
    // "Open with": the only argument names an existing file and no device; the window starts
    // as usual and loads it, writing nothing.
    std::optional<std::string> OpenPath;
    // Why the command line cannot be used; empty when it can.
    std::string Error;

    // The splash and the normal window are for a start without DEVICE or FILE.
    [[nodiscard]] bool Unattended() const { return DeviceName.has_value(); }
};

// Reads the arguments after the program name. Options take their value as the next argument or
// after "=" ("--driver simulated", "--driver=simulated"); "--" ends the options. Bad option
// values are reported in Error, so nothing is started with settings the user did not mean.
[[nodiscard]] TAppCommandLine ParseAppCommandLine(const std::vector<std::string>& arguments);

// The --help text.
[[nodiscard]] std::string AppUsage();
// The --version text: "vantrel 1.95e".
[[nodiscard]] std::string AppVersionText();

// Puts the programmer options of the command line into the session's hardware settings.
void ApplyProgrammerOptions(const TAppCommandLine& commandLine, THardwareSettings& settings);

}  // namespace vantrel
