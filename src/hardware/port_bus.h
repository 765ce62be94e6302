#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hardware/port_access.h"

namespace vantrel {

// What an empty I/O address reads on a PC: the bus floats high.
inline constexpr std::uint8_t kFloatingBusValue = 0xFF;

// The I/O addresses the program may reach: the three registers of each attached port. Port
// detection tries several bases; an address that belongs to none of them is refused.
class TPortBus final : public TPortAccess {
  public:
    void Attach(std::uint16_t base, std::unique_ptr<TPortAccess> port);
    // A port owned elsewhere (the simulated board).
    void Attach(std::uint16_t base, TPortAccess& port);
    // No port at `base`: reads float high and writes vanish, as on a PC without that port, so
    // port detection finds nothing there.
    void AttachEmpty(std::uint16_t base);

    [[nodiscard]] bool HasPort(std::uint16_t base) const;

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

  private:
    struct TSlot {
        std::uint16_t Base;
        TPortAccess* Port;  // null for an empty slot
    };

    const TSlot& SlotOf(std::uint32_t address) const;

    std::vector<TSlot> slots_;
    std::vector<std::unique_ptr<TPortAccess>> owned_;
};

}  // namespace vantrel
