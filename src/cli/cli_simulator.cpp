#include "cli/cli_simulator.h"

#include <filesystem>
#include <ostream>
#include <string>

#include "cli/cli_image.h"
#include "hardware/programmer_presets.h"
#include "hexfile/text_file.h"
#include "sim/sim_chip_file.h"
#include "sim/simulated_board.h"

namespace vantrel::cli {

namespace {

constexpr std::string_view kDefaultSimBoard = "p16pro40-7407";

class TSimulatedProgrammerRun final : public TSimulatedProgrammer {
  public:
    TSimulatedProgrammerRun(const TWiring& wiring, std::uint16_t portBase,
                            std::optional<std::string> chipFile)
        : board_(clock_, wiring, portBase), chipFile_(std::move(chipFile)) {}

    TPortAccess& Port() override { return board_; }
    TVirtualClock& Clock() override { return clock_; }
    TSimulatedBoard& Board() { return board_; }

    bool Finish(std::ostream& err) override {
        // A real chip would not say what went wrong on its pins; the simulator can, and a user
        // trying out a wiring or a timing wants to know.
        if (const TSimViolationLog& log = board_.Violations(); !log.Empty()) {
            err << "vantrel-cli: the simulated chip saw " << log.Count()
                << " protocol or timing violation" << (log.Count() == 1 ? "" : "s") << ":\n"
                << log.Describe();
        }
        if (!chipFile_ || board_.Chip() == nullptr) {
            return true;
        }
        const TFileResult written =
            WriteTextFileAtomically(*chipFile_, FormatSimChipFile(board_.ChipState()));
        if (!written.Ok) {
            err << "vantrel-cli: the simulated chip was not kept: " << written.Error << "\n";
            return false;
        }
        return true;
    }

  private:
    TVirtualClock clock_;  // before the board, which keeps a reference to it
    TSimulatedBoard board_;
    std::optional<std::string> chipFile_;
};

// The chip kept in `path`, which must be one of `deviceIndex`.
std::optional<TSimChipState> LoadKeptChip(const std::string& path, std::uint8_t deviceIndex,
                                          const TCliOptions& options, std::ostream& err) {
    std::string text;
    if (const TFileResult read = ReadTextFile(path, text); !read.Ok) {
        err << "vantrel-cli: " << read.Error << "\n";
        return std::nullopt;
    }
    TSimChipFileResult parsed = ParseSimChipFile(text);
    if (!parsed.Chip) {
        err << "vantrel-cli: " << path << ": " << parsed.Error << "\n";
        return std::nullopt;
    }
    if (parsed.Chip->DeviceIndex != deviceIndex) {
        err << "vantrel-cli: " << path << " keeps a " << parsed.Chip->Device().Name
            << " chip, not the " << DeviceTable[deviceIndex].Name << " chosen with -d "
            << options.DeviceName << "\n";
        return std::nullopt;
    }
    return std::move(parsed.Chip);
}

}  // namespace

std::unique_ptr<TSimulatedProgrammer> OpenSimulatedProgrammer(const TCliOptions& options,
                                                              std::uint16_t portBase,
                                                              std::ostream& err) {
    // Without a device the socket stays empty: the board alone answers port detection.
    std::optional<std::uint8_t> device;
    if (!options.DeviceName.empty() || options.SimChipFile) {
        device = RequireDevice(options, err);
        if (!device) {
            return nullptr;
        }
    }
    const std::string_view boardName =
        options.SimBoard.empty() ? kDefaultSimBoard : std::string_view(options.SimBoard);
    const TProgrammerPreset* preset = FindPresetByCommandName(boardName);
    if (preset == nullptr || !preset->Wiring) {
        err << "vantrel-cli: unknown simulated board '" << boardName << "'\n";
        return nullptr;
    }
    TSimFaults faults;
    for (const std::string& name : options.SimFaults) {
        if (const std::string error = AddSimFault(name, faults); !error.empty()) {
            err << "vantrel-cli: " << error << "\n";
            return nullptr;
        }
    }
    if (!device) {
        faults.NoChip = true;
    }
    TSimChipState chip;
    std::error_code missing;
    if (faults.NoChip) {
        // An empty socket: the kept chip, if any, stays in its file untouched.
    } else if (options.SimChipFile && std::filesystem::exists(*options.SimChipFile, missing)) {
        auto kept = LoadKeptChip(*options.SimChipFile, *device, options, err);
        if (!kept) {
            return nullptr;
        }
        chip = std::move(*kept);
    } else {
        chip = FactoryFreshChip(*device);
    }
    auto programmer = std::make_unique<TSimulatedProgrammerRun>(
        *preset->Wiring, portBase, faults.NoChip ? std::nullopt : options.SimChipFile);
    programmer->Board().LoadSocket(std::move(chip), faults);
    return programmer;
}

}  // namespace vantrel::cli
