#include "hardware/port_bus.h"

#include "hardware/port_error.h"
#include "hardware/port_registers.h"

namespace vantrel {

void TPortBus::Attach(std::uint16_t base, std::unique_ptr<TPortAccess> port) {
    Attach(base, *port);
    owned_.push_back(std::move(port));
}

void TPortBus::Attach(std::uint16_t base, TPortAccess& port) {
    slots_.push_back({base, &port});
}

void TPortBus::AttachEmpty(std::uint16_t base) {
    slots_.push_back({base, nullptr});
}

bool TPortBus::HasPort(std::uint16_t base) const {
    for (const TSlot& slot : slots_) {
        if (slot.Base == base && slot.Port != nullptr) {
            return true;
        }
    }
    return false;
}

const TPortBus::TSlot& TPortBus::SlotOf(std::uint32_t address) const {
    for (const TSlot& slot : slots_) {
        if (address >= slot.Base && address - slot.Base < kPortRegisterCount) {
            return slot;
        }
    }
    throw TPortError("refused access to I/O address 0x" + PortAddressHex(address) +
                     ": no port was opened there");
}

std::uint8_t TPortBus::DlPortReadPortUchar(std::uint32_t port) {
    const TSlot& slot = SlotOf(port);
    return slot.Port != nullptr ? slot.Port->DlPortReadPortUchar(port) : kFloatingBusValue;
}

void TPortBus::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    if (const TSlot& slot = SlotOf(port); slot.Port != nullptr) {
        slot.Port->DlPortWritePortUchar(port, value);
    }
}

}  // namespace vantrel
