#include <gtest/gtest.h>

#include "cli/cli_options.h"

// The command line is read as every other tool reads its own: the spellings scripts use for the
// same request all give the same options.

namespace vantrel::cli {
namespace {

TEST(CommandLine, EverySpellingOfAnOptionGivesTheSameOptions) {
    const std::vector<std::vector<std::string>> spellings{
        {"-d", "16F628A", "--prog-delay", "15", "write", "in.hex", "-o", "out.hex"},
        {"-d16F628A", "--prog-delay=15", "write", "in.hex", "-oout.hex"},
        {"--device=16F628A", "--prog-d", "15", "write", "in.hex", "--out=out.hex"},
        {"write", "-d", "16F628A", "in.hex", "--output", "out.hex", "--prog-delay=15"},
        {"--dev", "16F628A", "--prog-delay", "15", "-o", "out.hex", "--", "write", "in.hex"},
    };
    for (const std::vector<std::string>& arguments : spellings) {
        const TParseResult parsed = ParseCommandLine(arguments);
        ASSERT_EQ(parsed.Error, "") << arguments.front();
        EXPECT_EQ(parsed.Options.DeviceName, "16F628A");
        EXPECT_EQ(parsed.Options.ProgDelay, 15);
        EXPECT_EQ(parsed.Options.OutputFile, "out.hex");
        EXPECT_EQ(parsed.Options.Command, "write");
        EXPECT_EQ(parsed.Options.Arguments, std::vector<std::string>{"in.hex"});
    }
}

TEST(CommandLine, AfterTheDoubleDashEverythingIsAnArgument) {
    const TParseResult parsed = ParseCommandLine({"-y", "--", "info", "-d", "--help", "-"});
    ASSERT_EQ(parsed.Error, "");
    EXPECT_TRUE(parsed.Options.AssumeYes);
    EXPECT_FALSE(parsed.Options.ShowHelp);
    EXPECT_EQ(parsed.Options.DeviceName, "");
    EXPECT_EQ(parsed.Options.Command, "info");
    EXPECT_EQ(parsed.Options.Arguments, (std::vector<std::string>{"-d", "--help", "-"}));
}

TEST(CommandLine, ShortFlagsMayBeGroupedWithAValueLast) {
    const TParseResult parsed = ParseCommandLine({"-yd16F84A", "erase"});
    ASSERT_EQ(parsed.Error, "");
    EXPECT_TRUE(parsed.Options.AssumeYes);
    EXPECT_EQ(parsed.Options.DeviceName, "16F84A");
}

// One parse after another starts afresh, whatever the one before stopped at.
TEST(CommandLine, EachParseStartsAfresh) {
    EXPECT_NE(ParseCommandLine({"-d16F84A", "--bogus", "read"}).Error, "");
    EXPECT_NE(ParseCommandLine({"-y", "-d"}).Error, "");
    const TParseResult parsed = ParseCommandLine({"read", "-d", "16F84A"});
    EXPECT_EQ(parsed.Error, "");
    EXPECT_EQ(parsed.Options.Command, "read");
    EXPECT_FALSE(parsed.Options.AssumeYes);
}

TEST(CommandLine, RefusalsNameTheOptionAsWritten) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--frob"}, "unknown option '--frob'"},
        {{"--frob=3"}, "unknown option '--frob'"},
        {{"-q"}, "unknown option '-q'"},
        {{"-yq"}, "unknown option '-q'"},
        {{"--p=0x378"}, "option '--p' is ambiguous: --port, --preset, --prog-delay"},
        {{"--yes=no"}, "option '--yes' takes no value"},
        {{"--ye=no"}, "option '--yes' takes no value"},
        {{"read", "-o"}, "option '-o' needs a value (FILE)"},
        {{"read", "--trace"}, "option '--trace' needs a value (FILE)"},
        {{"--prog-delay=", "read"},
         "--prog-delay needs a number of milliseconds from 5 to 20, not ''"},
    };
    for (const auto& [arguments, error] : cases) {
        EXPECT_EQ(ParseCommandLine(arguments).Error, error) << arguments.front();
    }
}

}  // namespace
}  // namespace vantrel::cli
