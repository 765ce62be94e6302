#pragma once

#include <cstdint>

#include "hardware/opened_port.h"
#include "hardware/port_access.h"

namespace vantrel {

// The processor's I/O instructions and the permission to use them, so tests can refuse or
// record without touching the machine's ports.
class TDirectIo {
  public:
    virtual ~TDirectIo() = default;
    // 0, or an errno value.
    [[nodiscard]] virtual int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) = 0;
    [[nodiscard]] virtual std::uint8_t In(std::uint16_t address) = 0;
    virtual void Out(std::uint16_t address, std::uint8_t value) = 0;
};

// ioperm with inb/outb; on processors without port I/O, every request is refused.
class TSystemDirectIo final : public TDirectIo {
  public:
    int Ioperm(std::uint16_t from, std::uint16_t count, bool enable) override;
    std::uint8_t In(std::uint16_t address) override;
    void Out(std::uint16_t address, std::uint8_t value) override;
};

// The port through direct I/O permission: needs root or CAP_SYS_RAWIO, and is chosen explicitly.
// Holds the permission for the port's three registers until it is destroyed.
class TDirectPort final : public TPortAccess {
  public:
    [[nodiscard]] static TOpenedPort Open(std::uint16_t base, TDirectIo& io);
    ~TDirectPort() override;
    TDirectPort(const TDirectPort&) = delete;
    TDirectPort& operator=(const TDirectPort&) = delete;

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

  private:
    TDirectPort(std::uint16_t base, TDirectIo& io) : base_(base), io_(io) {}

    std::uint16_t base_;
    TDirectIo& io_;
};

}  // namespace vantrel
