#include <ostream>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_image.h"
#include "device/hex_text.h"
#include "device/image_checksum.h"

namespace vantrel::cli {

namespace {

constexpr int kLabelWidth = 15;

std::string Label(std::string_view label) {
    std::string text(label);
    text += ':';
    text.resize(kLabelWidth, ' ');
    return text;
}

// "0000-0012 (19 words)" for every run of entries that `isSet` accepts.
template <typename IsSet>
std::string Ranges(std::size_t count, std::uint32_t baseAddress, std::string_view unit,
                   IsSet isSet) {
    std::ostringstream text;
    std::size_t pos = 0;
    bool any = false;
    while (pos < count) {
        if (!isSet(pos)) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < count && isSet(end)) {
            ++end;
        }
        text << (any ? ", " : "") << HexWordText(baseAddress + static_cast<std::uint32_t>(pos))
             << "-" << HexWordText(baseAddress + static_cast<std::uint32_t>(end - 1)) << " ("
             << (end - pos) << " " << unit << (end - pos == 1 ? "" : "s") << ")";
        any = true;
        pos = end;
    }
    return any ? text.str() : "none";
}

void PrintFuses(const TConfigModel& config, const TPicDevice& device, std::ostream& out) {
    std::string set;
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        const auto box = static_cast<TFuseBox>(i);
        if (FuseOf(device, box).Mask != 0 && config.Checked(box)) {
            set += (set.empty() ? "" : ", ") + std::string(FuseCaption(box));
        }
    }
    out << Label("Fuses set") << (set.empty() ? "none" : set) << "\n";
    out << Label("Oscillator") << config.OscillatorList().at(config.OscillatorIndex()) << "\n";
}

void PrintConfiguration(const TConfigModel& config, const TDeviceImage& image,
                        const TPicDevice& device, std::ostream& out) {
    if (IsPic18(device)) {
        out << Label("Configuration");
        for (std::size_t i = 0; i < image.Config18.size(); ++i) {
            out << (i == 0 ? "" : " ") << "Config" << (i + 1) << "="
                << HexWordText(image.Config18[i]);
        }
        out << "\n";
        return;
    }
    out << Label("Configuration") << config.ConfigText() << "\n";
    PrintFuses(config, device, out);
}

void PrintIds(TDeviceImage& image, const TPicDevice& device, std::ostream& out) {
    const bool idsSet = IdHasData(image, device);  // also cuts the entries to bytes
    out << Label("ID locations");
    for (std::size_t i = 0; i < IdEntryCount(device); ++i) {
        out << (i == 0 ? "" : " ") << HexByteText(image.IdBuffer[i]);
    }
    out << (idsSet ? "" : " (blank)") << "\n";
}

}  // namespace

int RunInfoCommand(const TCliOptions& options, TCliStreams streams) {
    const auto input = RequireDeviceAndFile(options, streams.Err);
    if (!input) {
        return kExitBadInput;
    }
    TDeviceState state;
    TConfigModel config(state);
    const auto loaded = LoadFileForDevice(*input, state, config, streams.Err);
    if (!loaded) {
        return kExitBadInput;
    }
    const TPicDevice& device = state.Device();
    TDeviceImage& image = state.Image;
    std::ostream& out = streams.Out;
    out << Label("File") << input->Path << "\n";
    out << Label("Device") << device.Name << " (" << device.ProgramSize << " program words, "
        << device.EepromSize << " EEPROM bytes, algorithm " << device.Algorithm << ")\n";
    if (loaded->DataRecords == 0) {
        out << Label("HEX data") << NoHexDataText(input->Path) << "\n";
    }
    if (const std::string outside = OutsideValuesText(*loaded, device); !outside.empty()) {
        out << Label("Left out") << outside << "\n";
    }
    out << Label("Program") << Ranges(device.ProgramSize, 0, "word", [&](std::size_t i) {
        return image.ProgramBuffer[i] != device.BlankWord;
    }) << "\n";
    const std::uint32_t dataBase = IsPic18(device) ? 0 : device.EepromAddress;
    out << Label("Data EEPROM") << Ranges(device.EepromSize, dataBase, "byte", [&](std::size_t i) {
        return image.DataBuffer[i] != kBlankDataByte;
    }) << "\n";
    PrintIds(image, device, out);
    PrintConfiguration(config, image, device, out);
    out << Label("Checksum") << "0x" << HexWordText(ImageChecksum(image, device)) << "\n";
    return kExitSuccess;
}

}  // namespace vantrel::cli
