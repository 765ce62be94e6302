#pragma once

#include <cstdint>

namespace vantrel {

// The two calls of a port-access library: read a byte from an I/O address, write a byte to one.
// A read returns the register's present value; a write takes effect before the call returns.
// Back-ends: the Linux parport driver, direct I/O permission, and the simulated board.
class TPortAccess {
  public:
    virtual ~TPortAccess() = default;
    virtual std::uint8_t DlPortReadPortUchar(std::uint32_t port) = 0;
    virtual void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) = 0;
};

}  // namespace vantrel
