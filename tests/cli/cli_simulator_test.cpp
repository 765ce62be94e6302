#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_commands.h"

namespace vantrel::test {
namespace {

using cli::ParseCommandLine;
using cli::TCliOptions;

TCliOptions Options(const std::vector<std::string>& arguments) {
    const cli::TParseResult parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.Error, "");
    return parsed.Options;
}

TEST(SimulatorOptions, AreParsedIntoTheOptions) {
    const TCliOptions options =
        Options({"-d", "16F84A", "--sim-chip", "chip.txt", "--sim-fault", "protected",
                 "--sim-fault=word-fails=1F", "--sim-board", "ferrow", "detect"});
    EXPECT_EQ(options.SimChipFile, "chip.txt");
    EXPECT_EQ(options.SimFaults, (std::vector<std::string>{"protected", "word-fails=1F"}));
    EXPECT_EQ(options.SimBoard, "ferrow");
    EXPECT_EQ(options.Command, "detect");
}

TEST(SimulatorOptions, RefuseWhatCannotBeSimulated) {
    for (const auto& [arguments, error] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--sim-fault", "melted"}, "unknown simulator fault 'melted'"},
             {{"--sim-fault", "data-stuck-high", "--sim-fault", "data-stuck-low"},
              "cannot be stuck both high and low"},
             {{"--sim-fault", "word-fails=xyz"}, "word-fails needs a hexadecimal"},
             {{"--sim-board", "custom"}, "unknown board 'custom' for --sim-board"},
             {{"--sim-chip"}, "needs a value (FILE)"}}) {
        const cli::TParseResult parsed = ParseCommandLine(arguments);
        EXPECT_NE(parsed.Error.find(error), std::string::npos) << parsed.Error;
    }
}

TEST(SimulatorOptions, AreDocumentedInTheHelp) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunCli({"--help"}, {out, err}), cli::kExitSuccess);
    for (const char* text : {"--sim-chip FILE", "--sim-fault NAME", "--sim-board PRESET",
                             "word-fails=ADDR", "data-stuck-high", "p16pro40-7407 (default)"}) {
        EXPECT_NE(out.str().find(text), std::string::npos) << text;
    }
    for (std::istringstream lines(out.str()); !lines.eof();) {
        std::string line;
        std::getline(lines, line);
        EXPECT_LE(line.size(), 100u) << line;
    }
}

}  // namespace
}  // namespace vantrel::test
