#pragma once

#include <optional>
#include <string>

#include "cli/cli_commands.h"
#include "device/config_model.h"
#include "device/device_state.h"
#include "device/message_box.h"
#include "service/hex_file_load.h"

namespace vantrel::cli {

// A message box's text as lines for a terminal: the window's texts break their lines with
// "\r\n" or a lone "\r"; trailing breaks are dropped.
[[nodiscard]] std::string MessageLines(std::string_view text);

// Message boxes of the core, shown on standard error.
class TStreamMessageBox final : public TMessageBox {
  public:
    explicit TStreamMessageBox(std::ostream& err) : err_(err) {}
    void ShowMessage(std::string_view text) override;

  private:
    std::ostream& err_;
};

// The device chosen with -d; reports a clear message when it is missing or unknown.
[[nodiscard]] std::optional<std::uint8_t> RequireDevice(const TCliOptions& options,
                                                        std::ostream& err);

// The one positional FILE argument of a command; reports usage when it is missing.
[[nodiscard]] std::optional<std::string> RequireFileArgument(const TCliOptions& options,
                                                             std::ostream& err);

// Loads a HEX file into the image as the window's Open does: read the lines, LoadHex, then
// set the fuse model from the loaded words. What the load found; nothing (with the reason on
// `err`) when the file cannot be read or is malformed.
[[nodiscard]] std::optional<THexFileLoad> LoadHexFile(const std::string& path, TDeviceState& state,
                                                      TConfigModel& config, std::ostream& err);

// What a command that works on one HEX file for one device is given.
struct TFileCommandInput {
    std::uint8_t DeviceIndex;
    std::string Path;
};

// The device of -d and the one FILE argument; reports what is missing or unknown.
[[nodiscard]] std::optional<TFileCommandInput> RequireDeviceAndFile(const TCliOptions& options,
                                                                    std::ostream& err);

// Selects the device, clearing the image, and loads the file into it as Open does.
[[nodiscard]] std::optional<THexFileLoad> LoadFileForDevice(const TFileCommandInput& input,
                                                            TDeviceState& state,
                                                            TConfigModel& config,
                                                            std::ostream& err);

// Writes text to OUT (atomically) or to standard output.
[[nodiscard]] bool WriteResult(const TCliOptions& options, const std::string& text,
                               TCliStreams streams);

}  // namespace vantrel::cli
