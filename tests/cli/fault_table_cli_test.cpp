// Bad input and fault situations through vantrel-cli, one row each: the exit status, the
// message, and that every file the user owns is byte for byte as it was - or, for the output
// of -o, either as it was or the complete new content, never anything in between. Each row runs
// in a folder of its own holding a HEX file, an output from an earlier run, a simulated chip
// kept from an earlier run and the links and odd files some rows need.

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <any>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "device/device_selection.h"
#include "service/exclusive_lock.h"
#include "sim/sim_chip_file.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

constexpr int kFailed = 1;
constexpr int kBad = 2;
constexpr int kNoProgrammer = 3;
constexpr int kBrokenPipe = 128 + SIGPIPE;

const std::string kOldOutput = "previous output of an earlier run\n";

// A 16F84A the user wrote earlier and keeps between runs.
std::string KeptChip() {
    TSimChipState chip = FactoryFreshChip(ParseDeviceName("16F84A").value());
    chip.Program[0] = 0x2805;
    chip.Data[0] = 0x42;
    return FormatSimChipFile(chip);
}

// The user's folder as a row finds it.
void MakeFolder(const fs::path& dir) {
    WriteFile(dir / "in.hex", ReadFile(SourceDir() / "samples" / "blink-16f84a.hex"));
    WriteFile(dir / "bad.hex", ":020000000428D2\n:10000000ZZ\n:00000001FF\n");
    WriteFile(dir / "out.hex", kOldOutput);
    ::chmod((dir / "out.hex").c_str(), 0640);
    WriteFile(dir / "chip.txt", KeptChip());
    const std::string chip = KeptChip();
    WriteFile(dir / "corrupt-chip.txt",
              chip.substr(0, chip.find("end")) + "program 0000: 10000\nend\n");
    WriteFile(dir / "cut-chip.txt", chip.substr(0, chip.find("end")));
    WriteFile(dir / "empty-chip.txt", "");
    fs::create_directory(dir / "folder");
    fs::create_symlink("in.hex", dir / "link-to-in.hex");
    fs::create_symlink("chip.txt", dir / "link-to-chip.txt");
    fs::create_hard_link(dir / "out.hex", dir / "hard-out.hex");
    fs::create_symlink("loop.hex", dir / "loop.hex");
    fs::create_symlink("new.hex", dir / "link-to-new.hex");  // a file not made yet
}

// What a folder holds: each entry's kind, permissions and content (a link's target), links left
// unfollowed.
void AddEntries(const fs::path& dir, const fs::path& folder,
                std::map<std::string, std::string>& entries) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        struct stat status {};
        ::lstat(entry.path().c_str(), &status);
        std::ostringstream description;
        description << std::oct << status.st_mode << " ";
        if (S_ISLNK(status.st_mode)) {
            description << "-> " << fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(status.st_mode)) {
            description << ReadFile(entry.path());
        } else if (S_ISDIR(status.st_mode)) {
            AddEntries(dir, entry.path(), entries);
        }
        entries[entry.path().lexically_relative(dir).string()] = description.str();
    }
}

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> entries;
    AddEntries(dir, dir, entries);
    return entries;
}

struct TFaultCase {
    std::string Title;
    std::vector<std::string> Arguments;  // "@name" is the file `name` in the row's folder
    int ExitStatus;
    std::string Message;  // part of standard error; "{pid}" stands for this test's process ID
    TStandardOutput Output = TStandardOutput::Collected;
    // Run before vantrel-cli; what it returns is kept alive until vantrel-cli has ended.
    std::function<std::any(const fs::path&)> Setup = {};
    // The -o file of the row, which may hold the complete new content after the run.
    std::string OutputFile = {};
    // Files the run may create in the folder (a trace), and whether the output must change.
    std::vector<std::string> NewFiles = {};
    bool OutputReplaced = false;
    // Further checks of the folder after the run.
    std::function<void(const fs::path&)> Check = {};
};

void PrintTo(const TFaultCase& c, std::ostream* out) {
    *out << c.Title;
}

std::vector<std::string> Expand(const std::vector<std::string>& arguments, const fs::path& dir) {
    std::vector<std::string> expanded;
    for (const std::string& argument : arguments) {
        expanded.push_back(argument.starts_with("@") ? (dir / argument.substr(1)).string()
                                                     : argument);
    }
    return expanded;
}

std::string WithPid(std::string message) {
    if (const auto at = message.find("{pid}"); at != std::string::npos) {
        message.replace(at, 5, std::to_string(::getpid()));
    }
    return message;
}

// What `rehex` and `read` of the sample write: the new content an -o file may hold.
std::string SampleRehexed() {
    return RunCli(
               {"-d", "16F84A", "rehex", (SourceDir() / "samples" / "blink-16f84a.hex").string()})
        .Out;
}

std::string FreshChipRead() {
    return RunCli({"--driver=simulated", "-d", "16F84A", "read"}).Out;
}

// The lock another program holds on the kept chip while the row runs.
std::any HoldChipLock(const fs::path& dir) {
    auto taken = TExclusiveLock::Take(ChipFileLockFile(SystemLockDirectory(), dir / "chip.txt"));
    EXPECT_EQ(taken.Outcome, TExclusiveLock::TOutcome::Taken) << taken.Error;
    return std::shared_ptr<TExclusiveLock>(std::move(taken.Lock));
}

// The last write of the trace leaves Vdd, Vpp and Vpp40 off (inverted in the default wiring).
void ExpectSwitchedOff(const fs::path& dir) {
    std::istringstream lines(ReadFile(dir / "trace.txt"));
    std::string line, lastWrite;
    while (std::getline(lines, line)) {
        if (line.starts_with("W 378")) {
            lastWrite = line;
        }
    }
    ASSERT_FALSE(lastWrite.empty());
    EXPECT_EQ(std::stoi(lastWrite.substr(6), nullptr, 16) & 0x1C, 0x1C) << lastWrite;
}

const std::vector<std::string> kSim{"--driver=simulated", "-d", "16F84A"};
const std::vector<std::string> kKept{"--driver=simulated", "--sim-chip", "@chip.txt", "-d",
                                     "16F84A"};

std::vector<std::string> operator+(std::vector<std::string> first,
                                   const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::vector<TFaultCase> FaultCases() {
    using V = std::vector<std::string>;
    return {
        // Devices, commands and their arguments.
        {"UnknownDevice", {"-d", "16F999", "info", "@in.hex"}, kBad, "unknown device '16F999'"},
        {"MissingDevice", {"info", "@in.hex"}, kBad, "'info' needs a device"},
        {"UnknownCommand", {"-d", "16F84A", "flash", "@in.hex"}, kBad, "unknown command 'flash'"},
        {"NoCommand", {"-d", "16F84A"}, kBad, "no command given"},
        {"MissingFileArgument", kSim + V{"write"}, kBad, "needs exactly one FILE argument"},
        {"TwoFileArguments",
         {"-d", "16F84A", "info", "@in.hex", "@in.hex"},
         kBad,
         "needs exactly one FILE argument"},
        {"ReadTakesNoFile", kKept + V{"read", "@in.hex"}, kBad, "'read' takes no arguments"},
        {"DevicesTakesNoArgument", {"devices", "all"}, kBad, "'devices' takes no arguments"},
        {"EraseOfAnOtpPart",
         {"--driver=simulated", "-d", "12C508", "--yes", "erase"},
         kBad,
         "the 12C508 is one-time programmable; it cannot be erased"},
        {"DisassemblyOf18F",
         {"-d", "18F452", "disasm", "@in.hex", "-o", "@out.hex"},
         kBad,
         "Disassembler function\nnot currently available",
         {},
         {},
         "out.hex"},
        {"ChipCommandWithoutDevice",
         {"--driver=simulated", "--sim-chip", "@chip.txt", "write", "@in.hex"},
         kBad,
         "'write' needs a device"},

        // Options and their values.
        {"UnknownOption", {"--frobnicate", "devices"}, kBad, "unknown option '--frobnicate'"},
        {"UnknownShortOption", {"-x", "devices"}, kBad, "unknown option '-x'"},
        {"AmbiguousAbbreviation",
         {"--p", "0x378", "devices"},
         kBad,
         "option '--p' is ambiguous: --port, --preset, --prog-delay"},
        {"OptionWithoutItsValue", {"devices", "-d"}, kBad, "option '-d' needs a value (NAME)"},
        {"FlagGivenAValue", {"--yes=1", "devices"}, kBad, "option '--yes' takes no value"},
        {"VppDelayTooLong", kSim + V{"--vpp-delay", "21", "write", "@in.hex"}, kBad,
         "--vpp-delay needs a number of milliseconds from 0 to 20, not '21'"},
        {"ProgDelayTooShort", kSim + V{"--prog-delay=4", "write", "@in.hex"}, kBad,
         "from 5 to 20, not '4'"},
        {"ProgDelayNotANumber", kSim + V{"--prog-del", "1x", "write", "@in.hex"}, kBad, "not '1x'"},
        {"UnknownPort", kSim + V{"--port", "0x3F8", "write", "@in.hex"}, kBad,
         "unknown port '0x3F8'"},
        {"PortWithoutHexPrefix", {"--port", "378", "detect"}, kBad, "unknown port '378'"},
        {"UnknownDriver", {"--driver", "parport", "detect"}, kBad, "unknown driver 'parport'"},
        {"UnknownPreset", {"--preset", "p16pro40", "detect"}, kBad, "unknown preset 'p16pro40'"},
        {"UnknownSimulatorFault", kSim + V{"--sim-fault", "melted", "read"}, kBad,
         "unknown simulator fault 'melted'"},
        {"ContradictingFaults",
         kSim + V{"--sim-fault", "data-stuck-high", "--sim-fault=data-stuck-low", "read"}, kBad,
         "cannot be stuck both high and low"},
        {"UnknownSimulatedBoard", kSim + V{"--sim-board", "custom", "read"}, kBad,
         "unknown board 'custom' for --sim-board"},

        // Input files.
        {"MissingHexFile", {"-d", "16F84A", "info", "@absent.hex"}, kBad, "Cannot open"},
        {"HexFileIsAFolder", kSim + V{"write", "@folder"}, kBad, "is a directory, not a file"},
        {"MalformedRecord", kSim + V{"write", "@bad.hex"}, kBad,
         "bad.hex: '$ZZ' is not a valid integer value"},
        {"MalformedRecordToOutput",
         {"-d", "16F84A", "rehex", "@bad.hex", "-o", "@out.hex"},
         kBad,
         "not a valid integer value",
         {},
         {},
         "out.hex"},
        {"EndlessDeviceFile",
         {"-d", "16F84A", "rehex", "/dev/zero", "-o", "@out.hex"},
         kBad,
         "is larger than",
         {},
         {},
         "out.hex"},

        // Output files: never left half written, never replaced unless complete.
        {"OutputFolderReadOnly",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "/proc/vantrel.hex"},
         kBad,
         "Cannot create a file beside '/proc/vantrel.hex'"},
        {"OutputIsAFolder",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@folder"},
         kBad,
         "is a directory, not a file"},
        {"OutputInAMissingFolder",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@none/out.hex"},
         kBad,
         "Cannot create a file beside"},
        {"OutputIsALinkLoop",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@loop.hex"},
         kBad,
         "Too many levels of symbolic links"},
        {"OutputDeviceIsFull",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "/dev/full"},
         kBad,
         "Cannot write '/dev/full': No space left on device",
         {},
         {},
         {},
         {},
         false,
         [](const fs::path&) { EXPECT_TRUE(fs::is_character_file("/dev/full")); }},

        // Standard output that cannot take the result.
        {"InfoToFullOutput",
         {"-d", "16F84A", "info", "@in.hex"},
         kBad,
         "write error on standard output: No space left on device",
         TStandardOutput::DevFull},
        {"RehexToFullOutput",
         {"-d", "16F84A", "rehex", "@in.hex"},
         kBad,
         "write error on standard output: No space left on device",
         TStandardOutput::DevFull},
        {"DisasmToFullOutput",
         {"-d", "16F84A", "disasm", "@in.hex"},
         kBad,
         "write error on standard output: No space left on device",
         TStandardOutput::DevFull},
        {"DevicesToClosedPipe",
         {"devices"},
         kBad,
         "write error on standard output: Broken pipe",
         TStandardOutput::ClosedPipe},
        {"ReadToFullOutput", kKept + V{"read"}, kBad,
         "write error on standard output: No space left on device", TStandardOutput::DevFull},
        // The reader of a Write's texts went away: the Write stops, the programmer goes off.
        {"WriteToClosedPipe",
         kSim + V{"--trace", "@trace.txt", "write", "@in.hex"},
         kBrokenPipe,
         "interrupted by signal 13; switching the programmer off",
         TStandardOutput::ClosedPipe,
         {},
         {},
         {"trace.txt"},
         false,
         ExpectSwitchedOff},

        // A file named twice: a trace or an output over another of the command's files.
        {"TraceOverTheHexFile", kSim + V{"--trace", "@in.hex", "write", "@in.hex"}, kBad,
         "the trace file @in.hex is the same file as the input file"},
        {"TraceOverTheKeptChip", kKept + V{"--trace", "@link-to-chip.txt", "read"}, kBad,
         "the trace file @link-to-chip.txt is the same file as the simulated chip file"},
        {"OutputOverTheInput",
         {"-d", "16F84A", "rehex", "@link-to-in.hex", "-o", "@in.hex"},
         kBad,
         "the output file @in.hex is the same file as the input file"},
        {"OutputOverTheKeptChip", kKept + V{"read", "-o", "@chip.txt"}, kBad,
         "the output file @chip.txt is the same file as the simulated chip file"},
        {"TraceOverTheOutputByAHardLink",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@out.hex", "--trace", "@hard-out.hex"},
         kBad,
         "is the same file as the output file",
         {},
         {},
         "out.hex"},
        {"NewTraceNamedAsTheNewOutput",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@new.hex", "--trace", "@./new.hex"},
         kBad,
         "is the same file as the output file"},

        {"NewTraceThroughALinkToTheNewOutput",
         {"-d", "16F84A", "rehex", "@in.hex", "-o", "@new.hex", "--trace", "@link-to-new.hex"},
         kBad,
         "is the same file as the output file"},

        // The simulated programmer's chip file and trace.
        {"CorruptChipFile", kSim + V{"--sim-chip", "@corrupt-chip.txt", "read"}, kBad,
         "corrupt-chip.txt: line 10: '10000' is not a hexadecimal number"},
        {"ChipFileCutShort", kSim + V{"--sim-chip", "@cut-chip.txt", "write", "@in.hex"}, kBad,
         "cut-chip.txt"},
        {"EmptyChipFile", kSim + V{"--sim-chip", "@empty-chip.txt", "read"}, kBad,
         "empty-chip.txt"},
        {"ChipFileIsAFolder", kSim + V{"--sim-chip", "@folder", "read"}, kBad,
         "is a directory, not a file"},
        {"ChipFileInUse",
         kKept + V{"write", "@in.hex"},
         kNoProgrammer,
         "the simulated chip file @chip.txt is in use by another program (PID {pid})",
         {},
         HoldChipLock},
        // What was read is written even though the chip could not be kept afterwards.
        {"ChipThatCannotBeKept",
         kSim + V{"--sim-chip", "@none/chip.txt", "read", "-o", "@out.hex"},
         kFailed,
         "the simulated chip was not kept: Cannot create a file beside",
         {},
         {},
         "out.hex",
         {},
         true},
        {"TraceInAMissingFolder", kSim + V{"--trace", "@none/trace.txt", "read"}, kBad,
         "cannot create the trace file"},
        {"TraceDeviceIsFull", kSim + V{"--trace", "/dev/full", "write", "@in.hex"}, kFailed,
         "writing the trace file /dev/full failed"},

        // Faults of the board and the chip.
        {"DataLineStuckLow", kSim + V{"--sim-fault", "data-stuck-low", "write", "@in.hex"}, kFailed,
         "No chip answers (device ID 0x0000)"},
        {"WordThatWillNotProgram", kSim + V{"--sim-fault", "word-fails=7", "write", "@in.hex"},
         kFailed, "Program Verify failed at Program address 0x007, Programming Aborted!"},
        {"VerifyAgainstAnotherImage", kKept + V{"verify", "@in.hex"}, kFailed,
         "Program Verify Error at Program address 0x005"},
        {"BoardWiredOtherwise",
         kSim + V{"--preset", "p16pro40-7406", "--check-port", "verify", "@in.hex"}, kNoProgrammer,
         "no programmer answers on port $378"},
        {"EraseDeclinedWithoutATerminal", kKept + V{"erase"}, kFailed,
         "This will erase the PIC, are you sure? no (--yes answers Yes)"},
    };
}

class FaultTable : public testing::TestWithParam<TFaultCase> {};

TEST_P(FaultTable, ExitsWithItsStatusAndMessageAndLosesNothing) {
    const TFaultCase& c = GetParam();
    TTempDir dir;
    MakeFolder(dir.Path());
    const std::map<std::string, std::string> before = Snapshot(dir.Path());
    std::any keptAlive = c.Setup ? c.Setup(dir.Path()) : std::any();
    const TProcessResult result =
        RunProcess(CliPath(), Expand(c.Arguments, dir.Path()), {}, c.Output);
    keptAlive.reset();

    EXPECT_EQ(result.ExitStatus, c.ExitStatus) << result.Err;
    std::string message = WithPid(c.Message);
    if (const auto at = message.find('@'); at != std::string::npos) {
        message.replace(at, 1, dir.Path().string() + "/");
    }
    EXPECT_THAT(result.Err, HasSubstr(message));

    std::map<std::string, std::string> after = Snapshot(dir.Path());
    if (!c.OutputFile.empty()) {
        const std::string content = ReadFile(dir / c.OutputFile);
        const std::string newContent =
            c.Title == "ChipThatCannotBeKept" ? FreshChipRead() : SampleRehexed();
        if (c.OutputReplaced) {
            EXPECT_EQ(content, newContent) << "the output holds the complete new content";
        } else {
            EXPECT_THAT(content, testing::AnyOf(kOldOutput, newContent)) << "half written";
        }
        after.erase(c.OutputFile);
        after.erase("hard-out.hex");
        before.at(c.OutputFile);  // the row names a file of the folder
    }
    for (const std::string& created : c.NewFiles) {
        EXPECT_EQ(after.erase(created), 1u) << created << " was not created";
    }
    for (const auto& [name, description] : before) {
        if (name == c.OutputFile || (!c.OutputFile.empty() && name == "hard-out.hex")) {
            continue;
        }
        const auto found = after.find(name);
        ASSERT_NE(found, after.end()) << name << " is gone";
        EXPECT_EQ(found->second, description) << name << " was changed";
        after.erase(found);
    }
    for (const auto& [name, description] : after) {
        ADD_FAILURE() << name << " was left behind";
    }
    for (const std::string chip : {"chip.txt", "none/chip.txt"}) {
        EXPECT_FALSE(fs::exists(ChipFileLockFile(SystemLockDirectory(), dir / chip)))
            << "the lock of " << chip << " was left behind";
    }
    if (c.Check) {
        c.Check(dir.Path());
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, FaultTable, testing::ValuesIn(FaultCases()),
                         [](const auto& info) { return info.param.Title; });

}  // namespace
}  // namespace vantrel::test
