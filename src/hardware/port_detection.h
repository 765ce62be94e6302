#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/pic_device.h"
#include "hardware/pin_layer.h"

namespace vantrel {

// Which chip operations the found port allows.
struct TOperationButtons {
    bool Read = false;
    bool Write = false;
    bool Verify = false;
    bool Erase = false;

    bool operator==(const TOperationButtons&) const = default;
};

// Where the outcome of port detection is shown: the main window's port panel and operation
// buttons, or the command line's output.
class TPortStatusView {
  public:
    virtual ~TPortStatusView() = default;
    virtual void ShowPortName(std::string_view text) = 0;
    virtual void EnableOperations(const TOperationButtons& buttons) = 0;
};

inline constexpr std::string_view kPortPanelPrefix = "Port : ";
inline constexpr std::string_view kNoPortPanelText = "Port : None";

// "$378", or "378H" when PellamOn is set.
[[nodiscard]] std::string PortAddressText(std::uint16_t address, bool pellamOn);
// "Port : $378" or "Port : 378H".
[[nodiscard]] std::string PortPanelText(std::uint16_t address, bool pellamOn);

// Whether a powered adapter at `address` returns the data-out level on data-in, high and then
// low. Sets PortBase to `address` (0 means no port and touches nothing); leaves Vdd off and
// the clock line untouched.
[[nodiscard]] bool TestPort(TPinLayer& pins, const TPicDevice& device, std::uint16_t address);

// Tries the candidate addresses in order and shows the result. PortBase ends on the found
// address, or on the last one tried when none answered. `device` decides which Vpp line is
// switched off during the test and whether erasing is offered.
std::optional<std::uint16_t> FindPort(TPinLayer& pins, const TPicDevice& device,
                                      TPortStatusView& view);

}  // namespace vantrel
