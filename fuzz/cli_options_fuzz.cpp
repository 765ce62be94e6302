// libFuzzer target for the command-line parser. The input is a command line, one argument per
// line. Whatever it holds, parsing must neither crash nor read outside its arguments, must give
// either options or one error, and must give the same result when parsed again: the parser
// keeps its position in getopt_long's globals, and no parse may leave anything behind for the
// next.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::string> Arguments(std::string_view text) {
    std::vector<std::string> arguments;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        arguments.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantrel::cli;
    const std::vector<std::string> arguments =
        Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    const TParseResult first = ParseCommandLine(arguments);
    const TParseResult second = ParseCommandLine(arguments);
    Require(first.Error == second.Error);
    const TCliOptions& a = first.Options;
    const TCliOptions& b = second.Options;
    Require(a.Command == b.Command && a.Arguments == b.Arguments);
    Require(a.DeviceName == b.DeviceName && a.OutputFile == b.OutputFile &&
            a.TraceFile == b.TraceFile);
    Require(a.Driver == b.Driver && a.PortBase == b.PortBase &&
            a.ProgrammerType == b.ProgrammerType);
    Require(a.SimChipFile == b.SimChipFile && a.SimFaults == b.SimFaults &&
            a.SimBoard == b.SimBoard);
    Require(a.VppDelay == b.VppDelay && a.ProgDelay == b.ProgDelay);
    Require(a.NoVerify == b.NoVerify && a.NoBlankCheck == b.NoBlankCheck &&
            a.ChangeCal == b.ChangeCal && a.AssumeYes == b.AssumeYes &&
            a.CheckPort == b.CheckPort && a.ShowHelp == b.ShowHelp &&
            a.ShowVersion == b.ShowVersion);
    if (first.Error.empty()) {
        // Every argument is an option, its value, the command or one of its arguments.
        Require(first.Options.Arguments.size() + (first.Options.Command.empty() ? 0 : 1) <=
                arguments.size());
    }
    return 0;
}
