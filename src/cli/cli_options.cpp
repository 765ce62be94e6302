#include "cli/cli_options.h"

#include <array>
#include <cctype>
#include <charconv>
#include <functional>

#include <getopt.h>

#include "hardware/port_lines.h"
#include "hardware/programmer_presets.h"
#include "programming/operation_texts.h"
#include "sim/sim_faults.h"

namespace vantrel::cli {

namespace {

std::string ApplyDriver(TCliOptions& options, const std::string& value) {
    if (const auto driver = FindPortDriver(value)) {
        options.Driver = *driver;
        return {};
    }
    return "unknown driver '" + value + "' (ppdev, direct or simulated)";
}

std::string ApplyPort(TCliOptions& options, const std::string& value) {
    const std::optional<std::uint16_t> address = ParseCandidatePort(value);
    if (!address) {
        return UnknownPortText(value);
    }
    options.PortBase = *address;
    return {};
}

std::string ApplyPreset(TCliOptions& options, const std::string& value) {
    if (const TProgrammerPreset* preset = FindPresetByCommandName(value)) {
        options.ProgrammerType = preset->ProgrammerType;
        return {};
    }
    std::string names;
    for (const TProgrammerPreset& preset : ProgrammerPresets) {
        names += (names.empty() ? "" : ", ") + std::string(preset.CommandName);
    }
    return "unknown preset '" + value + "' (" + names + ")";
}

// A whole number of milliseconds within the range the hardware settings allow.
template <typename TValue>
std::string ApplyMilliseconds(TValue& target, const std::string& value, std::string_view option,
                              unsigned minimum, unsigned maximum) {
    unsigned ms = 0;
    const char* last = value.data() + value.size();
    const auto [end, ec] = std::from_chars(value.data(), last, ms);
    if (value.empty() || ec != std::errc() || end != last || ms < minimum || ms > maximum) {
        return "--" + std::string(option) + " needs a number of milliseconds from " +
               std::to_string(minimum) + " to " + std::to_string(maximum) + ", not '" + value + "'";
    }
    target = static_cast<TValue>(ms);
    return {};
}

// A calibration word as the 12F629 family keeps it: RETLW k, 0x3400..0x34FF, in hexadecimal
// with or without 0x.
std::string ApplyCalibration(TCliOptions& options, const std::string& value) {
    const std::optional<std::uint16_t> word = ParseCalibrationValue(value);
    if (!word) {
        return "--cal needs a calibration word 0x3400..0x34FF (RETLW k), not '" + value + "'";
    }
    options.Calibration = *word;
    return {};
}

// A flag that sets one member.
auto SetFlag(bool TCliOptions::*flag) {
    return [flag](TCliOptions& o, const std::string&) {
        o.*flag = true;
        return std::string();
    };
}

// One command-line option. An option with a value takes it from the next argument or after "="
// (--output=FILE).
struct TOptionSpec {
    std::string_view Long;
    char Short;                  // 0 when the option has no short form
    std::string_view ValueName;  // empty for a flag
    std::string_view Help;
    std::function<std::string(TCliOptions&, const std::string&)> Apply;  // returns an error
};

const std::vector<TOptionSpec>& OptionSpecs() {
    static const std::vector<TOptionSpec> kSpecs{
        {"device", 'd', "NAME", "device as the device list spells it, e.g. 16F84A",
         [](TCliOptions& o, const std::string& v) {
             o.DeviceName = v;
             return std::string();
         }},
        {"output", 'o', "FILE", "write the result to FILE instead of standard output",
         [](TCliOptions& o, const std::string& v) {
             o.OutputFile = v;
             return std::string();
         }},
        {"driver", 0, "NAME", "how to reach the port: ppdev (default), direct or simulated",
         ApplyDriver},
        {"port", 0, "ADDR",
         "the programmer's port: 0x378 (default), 0x278 or 0x3BC; where the simulated board "
         "sits (detect tries all three)",
         ApplyPort},
        {"preset", 0, "NAME",
         "programmer wiring: custom (the settings file's wiring, or the default one), cardlet, "
         "p16pro40-7406, p16pro40-7407, rsr, ferrow",
         ApplyPreset},
        {"trace", 0, "FILE", "record every port access and delay in FILE: W 378 04, R 379 78, D 10",
         [](TCliOptions& o, const std::string& v) {
             o.TraceFile = v;
             return std::string();
         }},
        {"sim-chip", 0, "FILE",
         "simulated programmer: keep its chip in FILE between runs (a fresh chip of the -d "
         "device when FILE does not exist)",
         [](TCliOptions& o, const std::string& v) {
             o.SimChipFile = v;
             return std::string();
         }},
        {"sim-fault", 0, "NAME",
         "simulated programmer: inject a fault, repeatable: no-chip, unpowered, "
         "data-stuck-high, data-stuck-low, word-fails=ADDR (hexadecimal program word address), "
         "protected (code protection on)",
         [](TCliOptions& o, const std::string& v) {
             TSimFaults faults;
             for (const std::string& earlier : o.SimFaults) {
                 (void)AddSimFault(earlier, faults);
             }
             std::string error = AddSimFault(v, faults);
             if (error.empty()) {
                 o.SimFaults.push_back(v);
             }
             return error;
         }},
        {"sim-board", 0, "PRESET",
         "simulated programmer: wire its board as PRESET: cardlet, p16pro40-7406, "
         "p16pro40-7407 (default), rsr, ferrow",
         [](TCliOptions& o, const std::string& v) {
             const TProgrammerPreset* preset = FindPresetByCommandName(v);
             if (preset == nullptr || !preset->Wiring) {
                 return "unknown board '" + v +
                        "' for --sim-board (cardlet, p16pro40-7406, p16pro40-7407, rsr, ferrow)";
             }
             o.SimBoard = v;
             return std::string();
         }},
        {"vpp-delay", 0, "MS",
         "settle time around switching the programming voltage, 0..20 ms (default 10)",
         [](TCliOptions& o, const std::string& v) {
             return ApplyMilliseconds(o.VppDelay, v, "vpp-delay", kMinVppDelay, kMaxVppDelay);
         }},
        {"prog-delay", 0, "MS", "wait after each programming command, 5..20 ms (default 10)",
         [](TCliOptions& o, const std::string& v) {
             return ApplyMilliseconds(o.ProgDelay, v, "prog-delay", kMinProgDelay, kMaxProgDelay);
         }},
        {"settings", 0, "FILE",
         "read the settings from FILE instead of the window's settings file (see below)",
         [](TCliOptions& o, const std::string& v) {
             o.SettingsFile = v;
             return std::string();
         }},
        {"no-settings", 0, "", "read no settings file: built-in defaults, and -d is needed",
         SetFlag(&TCliOptions::NoSettings)},
        {"timing", 0, "NAME",
         "standard (default) or fast: the fast timing takes the chips' own programming times "
         "and fewer port accesses; for boards with fast line drivers (see the README), go back "
         "to standard if a verify fails",
         [](TCliOptions& o, const std::string& v) {
             if (const auto profile = FindTimingProfile(v)) {
                 o.Timing = *profile;
                 return std::string();
             }
             return "unknown timing '" + v + "' (standard or fast)";
         }},
        {"check-port", 0, "", "first test that the programmer answers on the port (exit 3 if not)",
         SetFlag(&TCliOptions::CheckPort)},
        {"no-verify", 0, "", "write without reading back and verifying",
         SetFlag(&TCliOptions::NoVerify)},
        {"no-blank-check", 0, "", "write an EPROM part without checking first that it is blank",
         SetFlag(&TCliOptions::NoBlankCheck)},
        {"change-cal", 0, "",
         "write the file's calibration word over the chip's (12F629/675, 16F630/676)",
         SetFlag(&TCliOptions::ChangeCal)},
        {"yes", 'y', "",
         "answer Yes to every question, the erase confirmation included (not to going on with "
         "a chip of another device: see --force-device)",
         SetFlag(&TCliOptions::AssumeYes)},
        {"force-device", 0, "",
         "go on when the chip's device ID names another device than -d (a chip that does not "
         "answer at all is always refused)",
         SetFlag(&TCliOptions::ForceDevice)},
        {"cal", 0, "0x34NN",
         "12F629/675, 16F630/676: the calibration word to write back when the chip's own "
         "cannot be kept (it reads as no RETLW: code-protected or lost); without it such a chip "
         "is not erased",
         ApplyCalibration},
        {"ignore-outside", 0, "",
         "write or verify a file even though some of its values lie outside the device's "
         "memory (they are left out)",
         SetFlag(&TCliOptions::IgnoreOutside)},
        {"help", 'h', "", "show this help and exit",
         [](TCliOptions& o, const std::string&) {
             o.ShowHelp = true;
             return std::string();
         }},
        {"version", 0, "", "show the version and exit",
         [](TCliOptions& o, const std::string&) {
             o.ShowVersion = true;
             return std::string();
         }},
    };
    return kSpecs;
}

// getopt_long reports a long option by this code plus the option's row in the table, so every
// row, with or without a short form, is told apart by the code alone.
constexpr int kLongOptionCode = 0x100;
// What getopt_long returns for an argument that is not an option, when the option string starts
// with '-': the arguments stay in their order, whatever POSIXLY_CORRECT says.
constexpr int kPlainArgument = 1;

// The table in the form getopt_long reads: the short options ("-:" first: arguments in order,
// ':' for a missing value) and the long ones, ending with a zero row.
class TGetoptTable {
  public:
    explicit TGetoptTable(const std::vector<TOptionSpec>& specs) {
        shortOptions_ = "-:";
        for (std::size_t i = 0; i < specs.size(); ++i) {
            const bool hasValue = !specs[i].ValueName.empty();
            if (specs[i].Short != 0) {
                shortOptions_ += specs[i].Short;
                shortOptions_ += hasValue ? ":" : "";
            }
            names_.emplace_back(specs[i].Long);
        }
        for (std::size_t i = 0; i < specs.size(); ++i) {
            longOptions_.push_back({names_[i].c_str(),
                                    specs[i].ValueName.empty() ? no_argument : required_argument,
                                    nullptr, kLongOptionCode + static_cast<int>(i)});
        }
        longOptions_.push_back({nullptr, 0, nullptr, 0});
    }

    [[nodiscard]] const char* ShortOptions() const { return shortOptions_.c_str(); }
    [[nodiscard]] const option* LongOptions() const { return longOptions_.data(); }

  private:
    std::string shortOptions_;
    std::vector<std::string> names_;
    std::vector<option> longOptions_;
};

// The row of a code getopt_long returned (or put in optopt); null for an unknown short option.
const TOptionSpec* SpecOfCode(int code) {
    const std::vector<TOptionSpec>& specs = OptionSpecs();
    if (code >= kLongOptionCode) {
        const auto row = static_cast<std::size_t>(code - kLongOptionCode);
        return row < specs.size() ? &specs[row] : nullptr;
    }
    for (const TOptionSpec& spec : specs) {
        if (spec.Short != 0 && spec.Short == code) {
            return &spec;
        }
    }
    return nullptr;
}

// The option as the user wrote it: "--device" for a long code, "-d" for a short one.
std::string WrittenName(int code, const TOptionSpec& spec) {
    return code >= kLongOptionCode ? "--" + std::string(spec.Long) : std::string("-") + spec.Short;
}

// A long option getopt_long did not take: unknown, or an abbreviation of several.
std::string UnknownLongOption(std::string_view argument) {
    std::string_view name = argument.substr(2);
    name = name.substr(0, name.find('='));
    std::string candidates;
    for (const TOptionSpec& spec : OptionSpecs()) {
        if (spec.Long.substr(0, name.size()) == name) {
            candidates += (candidates.empty() ? "" : ", ") + ("--" + std::string(spec.Long));
        }
    }
    if (!name.empty() && candidates.find(',') != std::string::npos) {
        return "option '--" + std::string(name) + "' is ambiguous: " + candidates;
    }
    return "unknown option '" + std::string(argument.substr(0, argument.find('='))) + "'";
}

// Why getopt_long refused the option it returned '?' or ':' for.
std::string RefusalOf(int code, int refusedCode, const char* lastArgument) {
    const TOptionSpec* spec = refusedCode != 0 ? SpecOfCode(refusedCode) : nullptr;
    if (code == ':' && spec != nullptr) {
        return "option '" + WrittenName(refusedCode, *spec) + "' needs a value (" +
               std::string(spec->ValueName) + ")";
    }
    if (spec != nullptr) {  // a flag given a value, --yes=1
        return "option '--" + std::string(spec->Long) + "' takes no value";
    }
    if (refusedCode != 0) {
        return "unknown option '-" + std::string(1, static_cast<char>(refusedCode)) + "'";
    }
    return UnknownLongOption(lastArgument);
}

constexpr std::size_t kHelpIndent = 28;
constexpr std::size_t kHelpWidth = 100;

// Breaks a long help text at spaces, continuing under the first line's text.
std::string WrapHelp(std::string_view help) {
    std::string text;
    std::size_t column = kHelpIndent;
    while (!help.empty()) {
        const std::size_t space = help.find(' ');
        const std::string_view word = help.substr(0, space);
        if (column > kHelpIndent && column + 1 + word.size() > kHelpWidth) {
            text += "\n" + std::string(kHelpIndent, ' ');
            column = kHelpIndent;
        } else if (column > kHelpIndent) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
        help = space == std::string_view::npos ? std::string_view() : help.substr(space + 1);
    }
    return text;
}

}  // namespace

// getopt_long, as every other tool parses its options: "--" ends the options, values may follow
// the option ("-d16F628A", "--prog-delay=15") or come as the next argument, a long option may be
// abbreviated as long as it stays unambiguous, and options and arguments may be mixed. It keeps
// its position in globals (optind), so one parse runs at a time; optind = 0 starts afresh.
TParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    TParseResult result;
    TCliOptions& options = result.Options;
    const auto addArgument = [&options](std::string argument) {
        if (options.Command.empty()) {
            options.Command = std::move(argument);
        } else {
            options.Arguments.push_back(std::move(argument));
        }
    };
    // getopt_long takes a C program's argv: writable strings after the program's name.
    std::vector<std::string> copies{"vantrel-cli"};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& copy : copies) {
        argv.push_back(copy.data());
    }
    argv.push_back(nullptr);
    const int argc = static_cast<int>(copies.size());

    const TGetoptTable table(OptionSpecs());
    optind = 0;
    opterr = 0;
    int code = 0;
    while ((code = getopt_long(argc, argv.data(), table.ShortOptions(), table.LongOptions(),
                               nullptr)) != -1) {
        if (code == kPlainArgument) {
            addArgument(optarg);
            continue;
        }
        if (code == '?' || code == ':') {
            result.Error = RefusalOf(code, optopt, argv[static_cast<std::size_t>(optind - 1)]);
            return result;
        }
        const TOptionSpec* spec = SpecOfCode(code);
        if (std::string error = spec->Apply(options, optarg != nullptr ? optarg : "");
            !error.empty()) {
            result.Error = std::move(error);
            return result;
        }
    }
    for (int i = optind; i < argc; ++i) {  // everything after "--"
        addArgument(argv[static_cast<std::size_t>(i)]);
    }
    return result;
}

std::string OptionsHelp() {
    std::string text;
    for (const TOptionSpec& spec : OptionSpecs()) {
        std::string names = spec.Short != 0 ? std::string("-") + spec.Short + ", " : "    ";
        names += "--" + std::string(spec.Long);
        if (!spec.ValueName.empty()) {
            names += " " + std::string(spec.ValueName);
        }
        if (names.size() < 26) {
            names.resize(26, ' ');
        } else {
            names += "  ";
        }
        text += "  " + names + WrapHelp(spec.Help) + "\n";
    }
    return text;
}

std::vector<TOptionHelp> OptionHelpRows() {
    std::vector<TOptionHelp> rows;
    for (const TOptionSpec& spec : OptionSpecs()) {
        rows.push_back({spec.Long, spec.Short, spec.ValueName, spec.Help});
    }
    return rows;
}

}  // namespace vantrel::cli
