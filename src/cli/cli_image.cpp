#include "cli/cli_image.h"

#include <ostream>

#include "device/device_selection.h"
#include "hexfile/text_file.h"

namespace vantrel::cli {

std::string MessageLines(std::string_view text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            lines += text[i];
        } else if (i + 1 == text.size() || text[i + 1] != '\n') {
            lines += '\n';
        }
    }
    while (!lines.empty() && lines.back() == '\n') {
        lines.pop_back();
    }
    return lines;
}

void TStreamMessageBox::ShowMessage(std::string_view text) {
    err_ << MessageLines(text) << "\n";
}

std::optional<std::uint8_t> RequireDevice(const TCliOptions& options, std::ostream& err) {
    if (options.DeviceName.empty()) {
        err << "vantrel-cli: '" << options.Command
            << "' needs a device: -d NAME (vantrel-cli devices lists them)\n";
        return std::nullopt;
    }
    const auto index = ParseDeviceName(options.DeviceName);
    if (!index) {
        err << "vantrel-cli: unknown device '" << options.DeviceName
            << "' (vantrel-cli devices lists them, spelt like 16F84A)\n";
    }
    return index;
}

std::optional<std::string> RequireFileArgument(const TCliOptions& options, std::ostream& err) {
    if (options.Arguments.size() != 1) {
        err << "vantrel-cli: '" << options.Command << "' needs exactly one FILE argument\n";
        return std::nullopt;
    }
    return options.Arguments.front();
}

std::optional<THexFileLoad> LoadHexFile(const std::string& path, TDeviceState& state,
                                        TConfigModel& config, std::ostream& err) {
    TStreamMessageBox messages(err);
    THexLoadOptions options;
    options.FileName = path;
    THexFileLoad loaded = vantrel::LoadHexFile(path, state, config, options, messages);
    if (!loaded.Ok) {
        err << "vantrel-cli: " << loaded.Error << "\n";
        return std::nullopt;
    }
    return loaded;
}

std::optional<TFileCommandInput> RequireDeviceAndFile(const TCliOptions& options,
                                                      std::ostream& err) {
    const auto device = RequireDevice(options, err);
    const auto path = RequireFileArgument(options, err);
    if (!device || !path) {
        return std::nullopt;
    }
    return TFileCommandInput{*device, *path};
}

std::optional<THexFileLoad> LoadFileForDevice(const TFileCommandInput& input, TDeviceState& state,
                                              TConfigModel& config, std::ostream& err) {
    config.ChangeDevice(input.DeviceIndex);
    return LoadHexFile(input.Path, state, config, err);
}

bool WriteResult(const TCliOptions& options, const std::string& text, TCliStreams streams) {
    if (!options.OutputFile) {
        streams.Out << text;
        return static_cast<bool>(streams.Out.flush());
    }
    if (const TFileResult written = WriteTextFileAtomically(*options.OutputFile, text);
        !written.Ok) {
        streams.Err << "vantrel-cli: " << written.Error << "\n";
        return false;
    }
    return true;
}

}  // namespace vantrel::cli
