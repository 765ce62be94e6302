#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/cli_commands.h"
#include "cli/cli_manual.h"
#include "cli/cli_options.h"
#include "support/test_paths.h"

// The manual pages: made from the same tables as --help, so every option and command is in
// them, and well-formed for man(1).

namespace vantrel::test {
namespace {

using testing::HasSubstr;

// What groff says about a page: empty when it has nothing to complain about.
std::string GroffWarnings(const std::string& page) {
    const TProcessResult result = RunProcess("groff", {"-man", "-Tutf8", "-ww", "-z"}, page);
    return result.Err +
           (result.ExitStatus == 0 ? "" : "exit status " + std::to_string(result.ExitStatus));
}

TEST(ManualPage, NamesEveryCommandAndOptionOfTheTables) {
    const std::string page = cli::CliManualPage();
    for (const cli::TCommandHelp& command : cli::CommandHelpRows()) {
        EXPECT_THAT(page, HasSubstr(".TP\n\\fBvantrel\\-cli\\fR " + cli::RoffText(command.Usage)))
            << command.Name;
    }
    for (const cli::TOptionHelp& option : cli::OptionHelpRows()) {
        EXPECT_THAT(page, HasSubstr("\\fB\\-\\-" + cli::RoffText(option.Long) + "\\fR"))
            << option.Long;
        EXPECT_THAT(page, HasSubstr(cli::RoffText(option.Help))) << option.Long;
    }
}

TEST(ManualPage, PagesAreWellFormed) {
    VANTREL_REQUIRE_TOOL(HaveProgram("groff"), "groff (Debian package groff-base)");
    EXPECT_EQ(GroffWarnings(cli::CliManualPage()), "");
    EXPECT_EQ(GroffWarnings(ReadFile(SourceDir() / "man" / "vantrel.1")), "");
    // A help text that starts like a request or holds a backslash stays text.
    EXPECT_EQ(cli::RoffText(".so /etc/passwd\n'x a\\b -c"), "\\&.so /etc/passwd\n\\&'x a\\eb \\-c");
}

}  // namespace
}  // namespace vantrel::test
