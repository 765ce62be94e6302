#include "cli/cli_commands.h"

#include <ostream>
#include <string_view>

#include "cli/cli_command_files.h"
#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "device/version.h"

namespace vantrel::cli {

namespace {

struct TCommandSpec {
    std::string_view Name;
    std::string_view Usage;
    std::string_view Help;
    int (*Run)(const TCliOptions&, TCliStreams);
};

const std::vector<TCommandSpec>& CommandSpecs() {
    static const std::vector<TCommandSpec> kCommands{
        {"detect", "[--driver NAME] [--preset NAME] [-d NAME] detect",
         "find the programmer on port 0x378, 0x278 or 0x3BC; with -d, check the chip's device ID",
         RunDetectCommand},
        {"identify", "[--driver NAME] [--preset NAME] identify",
         "read the chip's device ID and name its device and revision (no -d needed)",
         RunIdentifyCommand},
        {"devices", "devices",
         "list the supported devices: name, program words, EEPROM bytes, "
         "algorithm",
         RunDevicesCommand},
        {"info", "-d NAME info FILE",
         "load a HEX file and show its regions, configuration, fuses and IDs", RunInfoCommand},
        {"rehex", "-d NAME rehex FILE [-o OUT]",
         "load a HEX file and write the image back as HEX, as Open then Save does",
         RunRehexCommand},
        {"disasm", "-d NAME disasm FILE [-o OUT]",
         "load a HEX file and write it as assembler source (not for 18F parts)", RunDisasmCommand},
        {"write", "-d NAME write FILE",
         "write a HEX file into the chip: erase (EPROM parts: blank check), program, verify, fuses",
         RunWriteCommand},
        {"verify", "-d NAME verify FILE", "compare the chip with a HEX file", RunVerifyCommand},
        {"read", "-d NAME read [-o OUT]",
         "read the chip and write its image as HEX to OUT or standard output", RunReadCommand},
        {"erase", "-d NAME erase [--yes]",
         "erase the chip after asking (not for one-time-programmable parts)", RunEraseCommand},
    };
    return kCommands;
}

void PrintHelp(std::ostream& out) {
    out << "Usage: vantrel-cli [options] COMMAND [arguments]\n\n"
           "Programs PIC microcontrollers on a parallel-port programmer, and reads, writes and\n"
           "inspects their Intel HEX images.\n\nCommands:\n";
    for (const TCommandSpec& command : CommandSpecs()) {
        out << "  vantrel-cli " << command.Usage << "\n      " << command.Help << "\n";
    }
    out << "\nOptions (before or after the command; a long option may be abbreviated while it "
           "stays\n"
           "unambiguous, and -- ends the options):\n"
        << OptionsHelp();
    out << "\nSettings: the window's settings file ($XDG_CONFIG_HOME/vantrel/Vantrel18F.ini,\n"
           "by default ~/.config/vantrel/Vantrel18F.ini) gives the device when -d is missing,\n"
           "and the driver, simulated chip file, port, wiring, preset, delays and timing; the "
           "options\n"
           "above win for the run. Without the file the defaults above hold. vantrel-cli never\n"
           "writes it.\n";
    out << "\nExit status: 0 success; 1 the operation failed or was declined; 2 bad usage or bad\n"
           "input; 3 no programmer, or it is in use by another program; 128 + N stopped by\n"
           "signal N, the programmer switched off.\n";
}

int RunCommandLine(const std::vector<std::string>& arguments, TCliStreams streams) {
    const TParseResult parsed = ParseCommandLine(arguments);
    if (!parsed.Error.empty()) {
        streams.Err << "vantrel-cli: " << parsed.Error << "\nTry 'vantrel-cli --help'.\n";
        return kExitBadInput;
    }
    const TCliOptions& options = parsed.Options;
    if (options.ShowHelp) {
        PrintHelp(streams.Out);
        return kExitSuccess;
    }
    if (options.ShowVersion) {
        streams.Out << "vantrel-cli " << kVantrelVersion << "\n";
        return kExitSuccess;
    }
    if (options.Command.empty()) {
        streams.Err << "vantrel-cli: no command given\nTry 'vantrel-cli --help'.\n";
        return kExitBadInput;
    }
    for (const TCommandSpec& command : CommandSpecs()) {
        if (command.Name != options.Command) {
            continue;
        }
        TCliOptions withSettings = options;
        if (!ReadCliSettings(withSettings, streams.Err)) {
            return kExitBadInput;
        }
        // Checked before any file is opened, so nothing is truncated.
        if (const std::string conflict = SameFileConflict(CommandFiles(withSettings));
            !conflict.empty()) {
            streams.Err << "vantrel-cli: " << conflict << "\n";
            return kExitBadInput;
        }
        return command.Run(withSettings, streams);
    }
    streams.Err << "vantrel-cli: unknown command '" << options.Command
                << "'\nTry 'vantrel-cli --help'.\n";
    return kExitBadInput;
}

}  // namespace

std::vector<TCommandHelp> CommandHelpRows() {
    std::vector<TCommandHelp> rows;
    for (const TCommandSpec& command : CommandSpecs()) {
        rows.push_back({command.Name, command.Usage, command.Help});
    }
    return rows;
}

// Every write to standard output counts: output that could not be written all the way to the
// final flush is a failure, reported with its reason.
int RunCli(const std::vector<std::string>& arguments, TCliStreams streams) {
    const int status = RunCommandLine(arguments, streams);
    if (streams.Out.flush()) {
        return status;
    }
    streams.Err << "vantrel-cli: write error on standard output: "
                << WriteFailureReason(streams.Out) << "\n";
    return status == kExitSuccess ? kExitBadInput : status;
}

}  // namespace vantrel::cli
