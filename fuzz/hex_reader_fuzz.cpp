// libFuzzer target for the Intel HEX reader. Whatever the file holds, loading must neither crash
// nor read outside its input, must leave every value within its memory's width, and saving the
// loaded image then loading the saved text must give back the same image (but for what the
// format cannot carry) and, saved again, the same text.
//
// scripts/fuzz.sh runs it, and the other targets, for as long as it is asked to (see there); the
// build with clang and the sanitizers (the asan preset) runs each for a fixed number of inputs
// in ctest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "device/device_selection.h"
#include "device/device_state.h"
#include "hexfile/hex_reader.h"
#include "hexfile/hex_writer.h"
#include "hexfile/text_file.h"

namespace {

using namespace vantrel;

class TSilentMessageBox final : public TMessageBox {
  public:
    void ShowMessage(std::string_view) override {}
};

// One device of each layout the reader knows: 12-bit, 14-bit with one and two configuration
// words, 14-bit without EEPROM, and both 18F generations.
constexpr std::array<std::string_view, 6> kDevices{"12C508", "16F84",  "16F88",
                                                   "16F73",  "18F452", "18F4680"};

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckWidths(const TDeviceImage& image, const TPicDevice& device) {
    for (std::uint16_t word : image.ProgramBuffer) {
        Require((word & ~device.BlankWord) == 0);
    }
    for (std::uint16_t value : image.DataBuffer) {
        Require(value <= 0xFF);
    }
    Require((image.ConfigWord1 & ~device.ConfigMask) == 0);
}

void LoadSaveLoad(const std::vector<std::string>& lines, std::string_view name) {
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName(name).value();
    TSilentMessageBox messages;
    const THexLoadResult first = LoadHex(lines, state, {}, messages);
    CheckWidths(state.Image, state.Device());
    if (!first.Ok) {
        return;
    }
    TDeviceImage loaded = state.Image;
    const std::vector<std::string> saved = BufferToHex(loaded, state.Device());
    const THexLoadResult second = LoadHex(saved, state, {}, messages);
    Require(second.Ok && second.ConfigFound);
    // What the writer writes fits the device: nothing of it is left out.
    Require(second.OutsideValues == 0 && second.DataRecords > 0);
    Require(state.Image.ProgramBuffer == loaded.ProgramBuffer);
    Require(state.Image.Config18 == loaded.Config18);
    Require(state.Image.ConfigWord1 == loaded.ConfigWord1);
    // EEPROM data comes back up to its last byte that does not look erased.
    std::size_t dataEnd = loaded.DataBuffer.size();
    while (dataEnd > 0 && IsErasedByte(loaded.DataBuffer[dataEnd - 1])) {
        --dataEnd;
    }
    for (std::size_t i = 0; i < dataEnd; ++i) {
        Require(state.Image.DataBuffer[i] == loaded.DataBuffer[i]);
    }
    // IDs come back whole when any of them is set (writing cut them to bytes).
    if (IdHasData(loaded, state.Device())) {
        for (std::size_t i = 0; i < IdEntryCount(state.Device()); ++i) {
            Require(state.Image.IdBuffer[i] == loaded.IdBuffer[i]);
        }
    }
    Require(BufferToHex(state.Image, state.Device()) == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitLines(text);
    for (std::string_view device : kDevices) {
        LoadSaveLoad(lines, device);
    }
    return 0;
}
