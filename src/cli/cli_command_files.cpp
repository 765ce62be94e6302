#include "cli/cli_command_files.h"

#include "cli/cli_port.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <variant>

#include "hexfile/text_file.h"

namespace vantrel::cli {

namespace {

// What a file is to the system: its device and inode when it exists, else its full path.
using TFileIdentity = std::variant<std::pair<dev_t, ino_t>, std::string>;

TFileIdentity IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        return std::pair{status.st_dev, status.st_ino};
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::weakly_canonical(
        std::filesystem::absolute(FollowSymbolicLinks(path), ec), ec);
    return ec ? path : full.string();
}

std::string Described(const TCommandFile& file) {
    return "the " + std::string(file.Role) + " " + file.Path;
}

}  // namespace

std::vector<TCommandFile> CommandFiles(const TCliOptions& options) {
    std::vector<TCommandFile> files;
    for (const std::string& argument : options.Arguments) {
        files.push_back({"input file", argument, false});
    }
    if (options.SettingsFile) {
        files.push_back({"settings file", *options.SettingsFile, false});
    }
    // In this order, so a refusal names the output or the trace as the file in the way of the
    // chip file, and the trace as the one in the way of the output. The chip file may come from
    // the settings file.
    const THardwareSettings settings = HardwareSettingsFrom(options);
    if (settings.Driver == TPortDriver::Simulated && !settings.Simulator.ChipFile.empty()) {
        files.push_back({"simulated chip file", settings.Simulator.ChipFile, true});
    }
    if (options.OutputFile) {
        files.push_back({"output file", *options.OutputFile, true});
    }
    if (options.TraceFile) {
        files.push_back({"trace file", *options.TraceFile, true});
    }
    return files;
}

std::string SameFileConflict(const std::vector<TCommandFile>& files) {
    std::vector<TFileIdentity> identities;
    for (const TCommandFile& file : files) {
        identities.push_back(IdentityOf(file.Path));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            if ((files[i].Written || files[j].Written) && identities[i] == identities[j]) {
                const TCommandFile& written = files[j].Written ? files[j] : files[i];
                const TCommandFile& other = files[j].Written ? files[i] : files[j];
                return Described(written) + " is the same file as " + Described(other) +
                       "; nothing was written";
            }
        }
    }
    return {};
}

}  // namespace vantrel::cli
