#include "hardware/port_registers.h"

#include "device/hex_text.h"
#include "hardware/port_error.h"
#include "hardware/port_lines.h"

namespace vantrel {

std::uint8_t RegisterOffsetOf(std::uint16_t base, std::uint32_t address) {
    if (address < base || address - base >= kPortRegisterCount) {
        throw TPortError("refused access to I/O address 0x" + PortAddressHex(address) +
                         ": the open port has only its registers at 0x" + PortAddressHex(base) +
                         "..0x" + PortAddressHex(base + kPortRegisterCount - 1));
    }
    return static_cast<std::uint8_t>(address - base);
}

std::string RegisterName(std::uint8_t offset) {
    switch (offset) {
        case kDataRegister:
            return "data";
        case kStatusRegister:
            return "status";
        case kControlRegister:
            return "control";
        default:
            return "unknown";
    }
}

std::string PortAddressHex(std::uint32_t address) {
    return HexText(address, 3);
}

}  // namespace vantrel
