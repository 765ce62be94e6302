#pragma once

#include <iosfwd>

#include "cli/cli_options.h"

namespace vantrel::cli {

// Reads the settings file the command line names (--settings FILE), none with --no-settings, or
// else the window's, which a first run does not have yet. Its programmer settings go into
// `options.Stored`, and its device becomes the -d device when -d is missing. Invalid values are
// a warning on `err`. False (reported) when a named file is missing, a file cannot be read, or
// both options are given. Nothing is ever written to the file.
[[nodiscard]] bool ReadCliSettings(TCliOptions& options, std::ostream& err);

}  // namespace vantrel::cli
