#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"

int main(int argc, char** argv) {
    // A reader that went away shows as a write error (EPIPE) with its reason, not as a silent
    // end; while the programmer is open the signal is caught instead and stops the operation.
    std::signal(SIGPIPE, SIG_IGN);
    vantrel::cli::TDescriptorStream out(STDOUT_FILENO);
    vantrel::cli::TDescriptorStream err(STDERR_FILENO);
    err << std::unitbuf;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return vantrel::cli::RunCli(arguments, {out, err});
}
