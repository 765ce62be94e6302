#pragma once

#include <cstdint>

#include "hardware/port_lines.h"

namespace vantrel {

// Which port line carries one programmer signal, and whether the adapter inverts it.
struct TPinAssignment {
    std::uint8_t Line = 0;  // index into PortLines
    bool Invert = false;

    bool operator==(const TPinAssignment&) const = default;
};

// The wiring of all seven programmer signals.
struct TWiring {
    TPinAssignment PinVdd{kLineD2, true};
    TPinAssignment PinVpp{kLineD3, true};
    TPinAssignment PinVpp40{kLineD4, true};
    TPinAssignment PinMCLR{kLineD5, true};
    TPinAssignment PinClock{kLineD1, false};
    TPinAssignment PinDataOut{kLineD0, false};
    TPinAssignment PinDataIn{kLineAck, false};

    bool operator==(const TWiring&) const = default;
};

}  // namespace vantrel
