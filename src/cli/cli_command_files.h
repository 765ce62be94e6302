#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"

namespace vantrel::cli {

// A file a command line names, and whether the command writes it.
struct TCommandFile {
    std::string_view Role;  // "input file", "output file", "trace file", ...
    std::string Path;
    bool Written = false;
};

// Every file the command line names: the positional arguments (read), -o, --trace and
// --sim-chip (written).
[[nodiscard]] std::vector<TCommandFile> CommandFiles(const TCliOptions& options);

// A file that is written and is the same file as another of `files` would destroy it - a trace
// over the HEX file it is recording the write of, a read over the chip file it reads. Files are
// compared as the system identifies them (device and inode, through symbolic and hard links);
// a file that does not exist yet by its full path. The refusal's text, or empty when every
// written file is a file of its own.
[[nodiscard]] std::string SameFileConflict(const std::vector<TCommandFile>& files);

}  // namespace vantrel::cli
