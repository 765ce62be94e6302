#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_state.h"
#include "device/message_box.h"
#include "hexfile/hex_reader.h"

namespace vantrel::test {

// One Intel HEX record with its checksum, built here rather than by the writer under test.
[[nodiscard]] std::string Record(std::uint16_t address, std::uint8_t type,
                                 const std::vector<std::uint8_t>& data);

// A state with the named device selected and its image cleared.
[[nodiscard]] TDeviceState StateFor(std::string_view device);

// Keeps the messages the reader shows instead of showing them.
class TRecordingMessageBox final : public TMessageBox {
  public:
    void ShowMessage(std::string_view text) override { Messages.emplace_back(text); }
    std::vector<std::string> Messages;
};

struct TLoaded {
    TDeviceState State;
    THexLoadResult Result;
    std::vector<std::string> Messages;
};

// Loads lines for the named device; the image starts full of junk so nothing passes unseen
// through a missing clear.
[[nodiscard]] TLoaded Load(std::string_view device, const std::vector<std::string>& lines,
                           bool warnMissingFuses = false, const std::string& fileName = {});

// The first few cells in which two images differ, as text; empty when they are equal.
[[nodiscard]] std::string ImageDifference(const TDeviceImage& actual, const TDeviceImage& expected);

}  // namespace vantrel::test
