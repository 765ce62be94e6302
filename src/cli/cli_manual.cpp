#include "cli/cli_manual.h"

#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "device/version.h"

namespace vantrel::cli {

namespace {

std::string Bold(std::string_view text) {
    return "\\fB" + RoffText(text) + "\\fR";
}

std::string Italic(std::string_view text) {
    return "\\fI" + RoffText(text) + "\\fR";
}

// "-d, --device=NAME" as man pages write an option.
std::string OptionTag(const TOptionHelp& option) {
    std::string tag;
    if (option.Short != 0) {
        tag = Bold(std::string("-") + option.Short) + ", ";
    }
    tag += Bold("--" + std::string(option.Long));
    if (!option.ValueName.empty()) {
        tag += "=" + Italic(option.ValueName);
    }
    return tag;
}

constexpr std::string_view kHeader = R"roff(.SH NAME
vantrel\-cli \- program PIC microcontrollers on a parallel\-port programmer, from scripts
.SH SYNOPSIS
.B vantrel\-cli
[\fIoptions\fR] \fICOMMAND\fR [\fIarguments\fR]
.SH DESCRIPTION
.B vantrel\-cli
writes, verifies, reads and erases PIC microcontrollers on a simple programmer board on a
PC parallel port, and loads, shows, converts and disassembles their Intel HEX images.
It is the command line of
.BR vantrel (1)
for scripts and continuous integration: it asks nothing unless it runs on a terminal, and its
exit status says how the command ended.
.PP
The chip commands drive the programmer through Linux's parallel\-port driver
(\fB\-\-driver ppdev\fR, the default; membership of group \fBlp\fR is enough) or through
direct port I/O (\fB\-\-driver direct\fR; root or CAP_SYS_RAWIO).
\fB\-\-driver simulated\fR uses a simulated programmer with a simulated chip instead, and
touches no port.
While a command holds the programmer, no other program can use the same port or the same
simulated chip file; the programming voltages and the supply are switched off however the
command ends, by a signal too.
.PP
Results go to standard output or, with \fB\-o\fR, to a file that is replaced only by its
complete new content (a device or a FIFO is written in place); texts of the programmer go to
standard output, questions and failures to standard error.
)roff";

constexpr std::string_view kFooter = R"roff(.SH "EXIT STATUS"
.TP
.B 0
Success.
.TP
.B 1
The operation failed or was declined: a verify error, a blank check that failed or was
answered No, an erase answered No, a simulated chip that could not be kept.
.TP
.B 2
Bad usage or bad input: an unknown option, command or device, an unreadable or malformed
file, an erase of a one\-time\-programmable part, a file named twice, standard output that
cannot be written.
Nothing is written to the chip then.
.TP
.B 3
No programmer: the port cannot be opened, \fB\-\-check\-port\fR finds none, or another
program is using it ("in use by another program (PID \fIn\fR)").
.TP
.B 128 + \fIN\fR
Stopped by signal \fIN\fR (an interrupt, a termination, a hang\-up, a quit, a closed pipe on
standard output); the programmer was switched off first.
.SH FILES
.TP
.I /dev/parport0, /dev/parport1, ...
The parallel ports of the ppdev driver (kernel modules parport_pc and ppdev).
.TP
.I /run/lock/vantrel\-*.lock
The locks that keep a port or a simulated chip file to one program at a time.
.SH EXAMPLES
.nf
vantrel\-cli \-d 16F84A write blink.hex
vantrel\-cli \-d 16F84A read \-o chip.hex
vantrel\-cli \-\-driver=simulated \-\-sim\-chip chip.txt \-d16F628A \-\-prog\-delay=15 write blink.hex
.fi
.SH "SEE ALSO"
.BR vantrel (1)
)roff";

}  // namespace

std::string RoffText(std::string_view text) {
    std::string roff;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\'')) {
            roff += "\\&";
        }
        if (c == '\\') {
            roff += "\\e";
        } else if (c == '-') {
            roff += "\\-";
        } else {
            roff += c;
        }
        lineStart = c == '\n';
    }
    return roff;
}

std::string CliManualPage() {
    std::ostringstream page;
    page << ".TH VANTREL\\-CLI 1 \"\" \"Vantrel " << kVantrelVersion << "\" \"User Commands\"\n"
         << kHeader << ".SH COMMANDS\n";
    for (const TCommandHelp& command : CommandHelpRows()) {
        page << ".TP\n"
             << Bold("vantrel-cli") << " " << RoffText(command.Usage) << "\n"
             << RoffText(command.Help) << ".\n";
    }
    page << ".SH OPTIONS\n"
            "Options may come before or after the command. A long option may be abbreviated "
            "while it stays unambiguous; a value follows its option as the next argument or "
            "after \\(lq=\\(rq (\\fB\\-d16F84A\\fR for a short one), and \\fB\\-\\-\\fR ends "
            "the options.\n";
    for (const TOptionHelp& option : OptionHelpRows()) {
        page << ".TP\n" << OptionTag(option) << "\n" << RoffText(option.Help) << ".\n";
    }
    page << kFooter;
    return page.str();
}

}  // namespace vantrel::cli
