#include "hardware/port_detection.h"

#include "hardware/port_lines.h"
#include "hardware/port_registers.h"

namespace vantrel {

std::string PortAddressText(std::uint16_t address, bool pellamOn) {
    const std::string digits = PortAddressHex(address);
    return pellamOn ? digits + "H" : "$" + digits;
}

std::string PortPanelText(std::uint16_t address, bool pellamOn) {
    return std::string(kPortPanelPrefix) + PortAddressText(address, pellamOn);
}

bool TestPort(TPinLayer& pins, const TPicDevice& device, std::uint16_t address) {
    if (address == 0) {
        return false;
    }
    pins.Settings().PortBase = address;
    if (device.UsesVpp40) {
        pins.SetVpp40(false);
    } else {
        pins.SetVpp(false);
    }
    const std::uint16_t settle = pins.Settings().VppDelay;
    pins.SetVdd(true);
    pins.SetDataOut(true);
    pins.DelayMs(settle);
    const bool high = pins.ReadDataIn();
    pins.SetDataOut(false);
    pins.DelayMs(settle);
    const bool low = pins.ReadDataIn();
    pins.SetVdd(false);
    return high && !low;
}

std::optional<std::uint16_t> FindPort(TPinLayer& pins, const TPicDevice& device,
                                      TPortStatusView& view) {
    std::optional<std::uint16_t> found;
    for (const std::uint16_t address : PortAddresses) {
        if (TestPort(pins, device, address)) {
            found = address;
            break;
        }
        if (address == 0) {
            break;
        }
    }
    if (found) {
        view.ShowPortName(PortPanelText(*found, pins.Settings().PellamOn));
        view.EnableOperations(
            {.Read = true, .Write = true, .Verify = true, .Erase = !IsEprom(device)});
    } else {
        view.ShowPortName(kNoPortPanelText);
        view.EnableOperations({});
    }
    return found;
}

}  // namespace vantrel
