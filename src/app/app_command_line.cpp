#include "app/app_command_line.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string_view>

#include "device/device_selection.h"
#include "device/version.h"
#include "hardware/port_lines.h"
#include "hardware/programmer_presets.h"
#include "sim/sim_faults.h"

namespace vantrel {

namespace {

using TApply = std::function<std::string(TAppCommandLine&, const std::string&)>;

struct TAppOption {
    std::string_view Name;   // without the leading "--"
    std::string_view Value;  // the value's placeholder in the usage text; empty: a flag
    std::string_view Help;
    TApply Apply;
};

std::string ApplyDriver(TAppCommandLine& line, const std::string& value) {
    if (const auto driver = FindPortDriver(value)) {
        line.Driver = driver;
        return {};
    }
    return "unknown driver '" + value + "' (ppdev, direct or simulated)";
}

std::string ApplyPort(TAppCommandLine& line, const std::string& value) {
    const std::optional<std::uint16_t> address = ParseCandidatePort(value);
    if (!address) {
        return UnknownPortText(value);
    }
    line.PortBase = *address;
    return {};
}

std::string ApplySimBoard(TAppCommandLine& line, const std::string& value) {
    const TProgrammerPreset* preset = FindPresetByCommandName(value);
    if (preset != nullptr && preset->Wiring) {
        line.SimBoard = value;
        return {};
    }
    std::string names;
    for (const TProgrammerPreset& candidate : ProgrammerPresets) {
        if (candidate.Wiring) {
            names += (names.empty() ? "" : ", ") + std::string(candidate.CommandName);
        }
    }
    return "unknown board '" + value + "' for --sim-board (" + names + ")";
}

std::string ApplySimFault(TAppCommandLine& line, const std::string& value) {
    TSimFaults faults;
    for (const std::string& earlier : line.SimFaults) {
        static_cast<void>(AddSimFault(earlier, faults));
    }
    if (std::string error = AddSimFault(value, faults); !error.empty()) {
        return error;
    }
    line.SimFaults.push_back(value);
    return {};
}

const std::vector<TAppOption>& AppOptions() {
    static const std::vector<TAppOption> options{
        {"driver", "NAME", "how to reach the port: ppdev (default), direct or simulated",
         ApplyDriver},
        {"port", "ADDR", "the programmer's port: 0x378 (default), 0x278 or 0x3BC", ApplyPort},
        {"sim-chip", "FILE",
         "simulated programmer: keep its chip in FILE between runs (a fresh chip of the chosen "
         "device each run otherwise)",
         [](TAppCommandLine& line, const std::string& value) {
             line.SimChipFile = value;
             return std::string();
         }},
        {"sim-board", "PRESET",
         "simulated programmer: wire its board as PRESET (cardlet, p16pro40-7406, "
         "p16pro40-7407, rsr, ferrow; p16pro40-7407 matches the default wiring)",
         ApplySimBoard},
        {"sim-fault", "NAME",
         "simulated programmer: give it a fault, repeatable: no-chip, unpowered, "
         "data-stuck-high, data-stuck-low, word-fails=ADDR, protected",
         ApplySimFault},
        {"help", "", "show this text and exit",
         [](TAppCommandLine& line, const std::string&) {
             line.Help = true;
             return std::string();
         }},
        {"version", "", "show the version and exit",
         [](TAppCommandLine& line, const std::string&) {
             line.Version = true;
             return std::string();
         }},
    };
    return options;
}

// "  --name VALUE      help text", the text wrapped under itself.
std::string WrapOptionHelp(std::string head, std::string_view help) {
    constexpr std::size_t kHelpColumn = 22;
    constexpr std::size_t kLineWidth = 90;
    head.resize(std::max(head.size() + 1, kHelpColumn), ' ');
    std::string text;
    std::string line = head;
    std::size_t start = 0;
    while (start < help.size()) {
        std::size_t end = help.find(' ', start);
        if (end == std::string_view::npos) {
            end = help.size();
        }
        const std::string_view word = help.substr(start, end - start);
        if (line.size() + word.size() > kLineWidth && line.size() > kHelpColumn) {
            text += line + "\n";
            line = std::string(kHelpColumn, ' ');
        } else if (line.size() > kHelpColumn) {
            line += ' ';
        }
        line += word;
        start = end + 1;
    }
    return text + line + "\n";
}

const TAppOption* FindOption(std::string_view name) {
    for (const TAppOption& option : AppOptions()) {
        if (option.Name == name) {
            return &option;
        }
    }
    return nullptr;
}

// One "--name", "--name=value" or "--name value" at arguments[index]; moves index past what it
// used. An error text, empty when the option was understood.
std::string ParseOption(const std::vector<std::string>& arguments, std::size_t& index,
                        TAppCommandLine& line) {
    const std::string& argument = arguments[index++];
    const std::string_view body = std::string_view(argument).substr(2);
    const std::size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    const TAppOption* option = FindOption(name);
    if (option == nullptr || argument.size() <= 2) {
        return "unknown option '" + argument + "'";
    }
    if (option->Value.empty()) {
        if (equals != std::string_view::npos) {
            return "option '--" + std::string(name) + "' takes no value";
        }
        return option->Apply(line, {});
    }
    if (equals != std::string_view::npos) {
        return option->Apply(line, std::string(body.substr(equals + 1)));
    }
    if (index >= arguments.size()) {
        return "option '--" + std::string(name) + "' needs a value (" + std::string(option->Value) +
               ")";
    }
    return option->Apply(line, arguments[index++]);
}

std::string TakePositional(TAppCommandLine& line, const std::string& argument) {
    if (!line.DeviceName) {
        line.DeviceName = argument;
    } else if (!line.FilePath) {
        line.FilePath = argument;
    } else {
        return "too many arguments: '" + argument + "' after DEVICE and FILE";
    }
    return {};
}

// A desktop's "open with" passes the file alone. A device name always wins, so that a file
// named like a device in the current folder never turns an unattended Write into a load.
void TakeOpenWith(TAppCommandLine& line) {
    if (!line.Error.empty() || !line.DeviceName || line.FilePath ||
        ParseDeviceName(*line.DeviceName)) {
        return;
    }
    std::error_code error;
    if (std::filesystem::is_regular_file(*line.DeviceName, error)) {
        line.OpenPath = std::move(line.DeviceName);
        line.DeviceName.reset();
    }
}

}  // namespace

TAppCommandLine ParseAppCommandLine(const std::vector<std::string>& arguments) {
    TAppCommandLine line;
    bool optionsEnded = false;
    std::size_t index = 0;
    while (index < arguments.size() && line.Error.empty()) {
        const std::string& argument = arguments[index];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            ++index;
        } else if (!optionsEnded && argument == "-h") {
            line.Help = true;
            ++index;
        } else if (!optionsEnded && argument.starts_with("--")) {
            line.Error = ParseOption(arguments, index, line);
        } else if (!optionsEnded && argument.size() > 1 && argument.starts_with("-")) {
            line.Error = "unknown option '" + argument + "'";
        } else {
            line.Error = TakePositional(line, argument);
            ++index;
        }
    }
    TakeOpenWith(line);
    return line;
}

std::string AppUsage() {
    std::string text =
        "Usage: vantrel [OPTIONS] [DEVICE [FILE]]\n"
        "       vantrel [OPTIONS] FILE\n"
        "\n"
        "The Vantrel window: programs PIC microcontrollers through a programmer on the parallel\n"
        "port. With DEVICE (as the device list spells it, e.g. 16F84A; a PIC prefix and any\n"
        "letter case are accepted) that device is selected; with DEVICE and FILE the HEX file\n"
        "is written into the chip and the program ends, with no splash and the window\n"
        "minimized.\n"
        "With FILE alone (a file that exists, never a device name) the window starts as usual\n"
        "and loads it, as a desktop's \"open with\" does; nothing is written into a chip.\n"
        "\n"
        "Options:\n";
    for (const TAppOption& option : AppOptions()) {
        std::string head = "  --" + std::string(option.Name);
        if (!option.Value.empty()) {
            head += " " + std::string(option.Value);
        }
        text += WrapOptionHelp(head, option.Help);
    }
    text +=
        "\n"
        "Try every command without hardware: vantrel --driver simulated\n"
        "\n"
        "Settings are kept in $XDG_CONFIG_HOME/vantrel/Vantrel18F.ini (by default\n"
        "~/.config/vantrel/Vantrel18F.ini), read at start-up and written at the end; the options\n"
        "above win for the run and are not written back.\n"
        "\n"
        "Exit status of a run with DEVICE and FILE: 0 the Write succeeded; 1 it failed, was\n"
        "declined or was cancelled; 2 bad usage, an unknown device, or a file that is missing,\n"
        "cannot be read, holds no Intel HEX data or values outside the device (nothing is\n"
        "programmed then); 3 no programmer could be opened.\n";
    return text;
}

std::string AppVersionText() {
    return std::string("vantrel ") + kVantrelVersion;
}

void ApplyProgrammerOptions(const TAppCommandLine& commandLine, THardwareSettings& settings) {
    if (commandLine.Driver) {
        settings.Driver = *commandLine.Driver;
    }
    if (commandLine.PortBase) {
        settings.PortBase = *commandLine.PortBase;
    }
    if (commandLine.SimChipFile) {
        settings.Simulator.ChipFile = *commandLine.SimChipFile;
    }
    if (commandLine.SimBoard) {
        settings.Simulator.Board = *commandLine.SimBoard;
    }
    if (!commandLine.SimFaults.empty()) {
        settings.Simulator.Faults = commandLine.SimFaults;
    }
}

}  // namespace vantrel
