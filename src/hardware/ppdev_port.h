#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "hardware/opened_port.h"
#include "hardware/port_access.h"

namespace vantrel {

// The system calls the ppdev back-end makes, so tests can put a fake kernel behind it.
class TPpdevSystem {
  public:
    virtual ~TPpdevSystem() = default;
    // A file descriptor, or -errno.
    [[nodiscard]] virtual int Open(const std::string& path) = 0;
    virtual void Close(int fd) = 0;
    // 0, or an errno value. `value` is the byte the request reads or writes; null for requests
    // without an argument (PPCLAIM, PPRELEASE).
    [[nodiscard]] virtual int Ioctl(int fd, unsigned long request, unsigned char* value) = 0;
    // The whole file, or nothing when it cannot be read.
    [[nodiscard]] virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
};

// The real kernel.
class TLinuxPpdevSystem final : public TPpdevSystem {
  public:
    int Open(const std::string& path) override;
    void Close(int fd) override;
    int Ioctl(int fd, unsigned long request, unsigned char* value) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
};

// The number N of /dev/parportN for the port at `base`: the parport whose base-addr in
// /proc/sys/dev/parport matches, else parport0/1/2 for the first, second and third candidate
// address when that parport is not one of the standard addresses itself (a PCI card at another
// address still answers as the first port). Nothing for any other address.
[[nodiscard]] std::optional<unsigned> FindParportNumber(std::uint16_t base, TPpdevSystem& system);

[[nodiscard]] std::string ParportDevicePath(unsigned number);

// The port through Linux's parallel-port user-space driver: needs only membership of group lp.
// It claims the port exclusively and holds it until it is destroyed; a port another program or
// driver holds is refused as in use.
class TPpdevPort final : public TPortAccess {
  public:
    [[nodiscard]] static TOpenedPort Open(std::uint16_t base, TPpdevSystem& system);
    ~TPpdevPort() override;
    TPpdevPort(const TPpdevPort&) = delete;
    TPpdevPort& operator=(const TPpdevPort&) = delete;

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

  private:
    TPpdevPort(std::uint16_t base, TPpdevSystem& system, int fd, std::string path)
        : base_(base), system_(system), fd_(fd), path_(std::move(path)) {}

    void Call(unsigned long request, unsigned char* value, std::uint8_t offset, const char* action);

    std::uint16_t base_;
    TPpdevSystem& system_;
    int fd_;
    std::string path_;
};

}  // namespace vantrel
