#include "hex_test_support.h"

#include <cstdio>

#include "device/device_selection.h"
#include "device/device_table.h"

namespace vantrel::test {

std::string Record(std::uint16_t address, std::uint8_t type,
                   const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address & 0xFF), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = ":";
    for (std::uint8_t byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        line += digits;
        sum += byte;
    }
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + checksum;
}

TDeviceState StateFor(std::string_view device) {
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName(device).value();
    ClearBuffers(state.Image, state.Device());
    return state;
}

TLoaded Load(std::string_view device, const std::vector<std::string>& lines, bool warnMissingFuses,
             const std::string& fileName) {
    TLoaded loaded;
    loaded.State.CurrentDevice = FindDeviceByName(device).value();
    TDeviceImage& image = loaded.State.Image;
    image.ProgramBuffer.fill(0x1111);
    image.DataBuffer.fill(0x22);
    image.IdBuffer.fill(0x33);
    image.ConfigWord1 = image.ConfigWord2 = 0x0444;
    image.Config18.fill(0x5555);
    TRecordingMessageBox messages;
    THexLoadOptions options;
    options.WarnMissingFuses = warnMissingFuses;
    options.FileName = fileName;
    loaded.Result = LoadHex(lines, loaded.State, options, messages);
    loaded.Messages = std::move(messages.Messages);
    return loaded;
}

std::string ImageDifference(const TDeviceImage& actual, const TDeviceImage& expected) {
    constexpr int kMaxReported = 8;
    std::string text;
    int reported = 0;
    auto compare = [&](const char* region, const std::uint16_t* a, const std::uint16_t* e,
                       std::size_t count) {
        for (std::size_t i = 0; i < count && reported < kMaxReported; ++i) {
            if (a[i] != e[i]) {
                char line[80];
                std::snprintf(line, sizeof line, "%s[0x%zX] is 0x%04X, expected 0x%04X\n", region,
                              i, a[i], e[i]);
                text += line;
                ++reported;
            }
        }
    };
    compare("ProgramBuffer", actual.ProgramBuffer.data(), expected.ProgramBuffer.data(),
            actual.ProgramBuffer.size());
    compare("DataBuffer", actual.DataBuffer.data(), expected.DataBuffer.data(),
            actual.DataBuffer.size());
    compare("IdBuffer", actual.IdBuffer.data(), expected.IdBuffer.data(), actual.IdBuffer.size());
    compare("ConfigWord1", &actual.ConfigWord1, &expected.ConfigWord1, 1);
    compare("ConfigWord2", &actual.ConfigWord2, &expected.ConfigWord2, 1);
    compare("Config18", actual.Config18.data(), expected.Config18.data(), actual.Config18.size());
    return text;
}

}  // namespace vantrel::test
