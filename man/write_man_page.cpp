// Writes the manual page of vantrel-cli, made from the program's own command and option tables,
// into the file named by its one argument. Run by the build; not installed.

#include <fstream>
#include <iostream>

#include "cli/cli_manual.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: write_man_page OUTPUT\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << vantrel::cli::CliManualPage();
    out.close();
    if (!out) {
        std::cerr << "write_man_page: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
