#include "hardware/ppdev_port.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>

#include "hardware/port_error.h"
#include "hardware/port_lines.h"
#include "hardware/port_registers.h"

// Register values pass through this back-end raw, as they would with direct I/O. The kernel's
// parport documentation (driver-api/parport-lowlevel) describes the low-level operations that
// ppdev's PPRDATA/PPWDATA, PPRSTATUS and PPRCONTROL/PPWCONTROL hand the byte to — read_data,
// write_data, read_status, read_control, write_control — as plain register bitmasks: the
// control bits are named after their inverted lines (nStrobe, nAutoFd, nSelectIn) and
// read_status "reads from the status register". Nothing inverts the hardware-inverted bits on
// the way, so, as with direct I/O, every inversion is the wiring's own Invert flag.
//
// Two differences from direct I/O, both from that documentation and harmless here:
// read_control returns the last value written rather than reading the port (the lines are
// outputs, so the value is the same), and only the four line bits of the control register
// belong to the caller (see DlPortWritePortUchar).

namespace vantrel {

namespace {

constexpr unsigned kMaxParports = 16;  // the kernel's PARPORT_MAX
constexpr std::uint8_t kControlLineBits = 0x0F;

std::string ProcBaseAddrPath(unsigned number) {
    return "/proc/sys/dev/parport/parport" + std::to_string(number) + "/base-addr";
}

// The kernel writes the base address in decimal, followed by a tab and the ECP base.
std::optional<std::uint32_t> ParportBase(unsigned number, TPpdevSystem& system) {
    const std::optional<std::string> text = system.ReadFile(ProcBaseAddrPath(number));
    if (!text) {
        return std::nullopt;
    }
    const char* first = text->data();
    const char* last = first + text->size();
    while (first != last && (*first == ' ' || *first == '\t')) {
        ++first;
    }
    std::uint32_t base = 0;
    if (std::from_chars(first, last, base).ec != std::errc()) {
        return std::nullopt;
    }
    return base;
}

bool IsCandidateAddress(std::uint32_t base) {
    return base != 0 &&
           std::find(PortAddresses.begin(), PortAddresses.end(), base) != PortAddresses.end();
}

std::string HexAddress(std::uint32_t address) {
    return "0x" + PortAddressHex(address);
}

// What went wrong and what the user can do about it.
std::string OpenFailure(const std::string& path, std::uint16_t base, int error,
                        const char* action) {
    const std::string what = std::string("cannot ") + action + " " + path + " for the port at " +
                             HexAddress(base) + ": " + std::strerror(error);
    switch (error) {
        case ENOENT:
            return what + " (load the parallel port drivers: modprobe parport_pc ppdev)";
        case EACCES:
        case EPERM:
            return what + " (add yourself to group lp: usermod -aG lp $USER, then log in again)";
        case ENXIO:
        case ENODEV:
            return what + " (no port behind the device: load parport_pc: modprobe parport_pc)";
        default:
            return what;
    }
}

// The exclusive claim is refused while any other program or driver has the port registered.
bool ClaimRefusedAsInUse(int error) {
    return error == EBUSY || error == ENXIO;
}

std::string InUseFailure(const std::string& path, std::uint16_t base, int error) {
    return "cannot claim " + path + " for the port at " + HexAddress(base) + ": " +
           std::strerror(error) +
           " (another program or driver holds the port; the printer driver lp does while it is "
           "loaded: modprobe -r lp)";
}

}  // namespace

int TLinuxPpdevSystem::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
}

void TLinuxPpdevSystem::Close(int fd) {
    ::close(fd);
}

int TLinuxPpdevSystem::Ioctl(int fd, unsigned long request, unsigned char* value) {
    return ::ioctl(fd, request, value) == 0 ? 0 : errno;
}

std::optional<std::string> TLinuxPpdevSystem::ReadFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<unsigned> FindParportNumber(std::uint16_t base, TPpdevSystem& system) {
    for (unsigned number = 0; number < kMaxParports; ++number) {
        if (ParportBase(number, system) == base) {
            return number;
        }
    }
    const auto candidate = std::find(PortAddresses.begin(), PortAddresses.end(), base);
    if (base == 0 || candidate == PortAddresses.end()) {
        return std::nullopt;
    }
    // A parport that sits at another standard address is that address's port, never this one's:
    // the same device opened twice would block on its own claim.
    const auto number = static_cast<unsigned>(candidate - PortAddresses.begin());
    const std::optional<std::uint32_t> actual = ParportBase(number, system);
    if (actual && IsCandidateAddress(*actual)) {
        return std::nullopt;
    }
    return number;
}

std::string ParportDevicePath(unsigned number) {
    return "/dev/parport" + std::to_string(number);
}

TOpenedPort TPpdevPort::Open(std::uint16_t base, TPpdevSystem& system) {
    const std::optional<unsigned> number = FindParportNumber(base, system);
    if (!number) {
        return {nullptr, "no parallel port at " + HexAddress(base) +
                             " (the ports the kernel knows are listed in /proc/sys/dev/parport)"};
    }
    std::string path = ParportDevicePath(*number);
    const int fd = system.Open(path);
    if (fd < 0) {
        return {nullptr, OpenFailure(path, base, -fd, "open")};
    }
    // Exclusively: while we hold the port no other program's or driver's access can come in
    // between our accesses, which would garble the programming protocol.
    int error = system.Ioctl(fd, PPEXCL, nullptr);
    if (error == 0) {
        error = system.Ioctl(fd, PPCLAIM, nullptr);
    }
    if (error != 0) {
        system.Close(fd);
        if (ClaimRefusedAsInUse(error)) {
            return {nullptr, InUseFailure(path, base, error), true};
        }
        return {nullptr, OpenFailure(path, base, error, "claim")};
    }
    return {std::unique_ptr<TPortAccess>(new TPpdevPort(base, system, fd, std::move(path))), {}};
}

TPpdevPort::~TPpdevPort() {
    (void)system_.Ioctl(fd_, PPRELEASE, nullptr);
    system_.Close(fd_);
}

void TPpdevPort::Call(unsigned long request, unsigned char* value, std::uint8_t offset,
                      const char* action) {
    if (const int error = system_.Ioctl(fd_, request, value); error != 0) {
        throw TPortError(std::string(action) + " the " + RegisterName(offset) + " register of " +
                         path_ + " failed: " + std::strerror(error));
    }
}

std::uint8_t TPpdevPort::DlPortReadPortUchar(std::uint32_t port) {
    const std::uint8_t offset = RegisterOffsetOf(base_, port);
    static constexpr unsigned long kReadRequests[kPortRegisterCount] = {PPRDATA, PPRSTATUS,
                                                                        PPRCONTROL};
    unsigned char value = 0;
    Call(kReadRequests[offset], &value, offset, "reading");
    return value;
}

// The status register has no write request: its lines are inputs, and a write to it changes
// nothing on real hardware either. Of the control register only the four line bits are
// passed: the upper bits are the driver's (interrupt enable, data direction — setting that one
// would turn the data lines, and with them the programmer's outputs, into inputs).
void TPpdevPort::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    const std::uint8_t offset = RegisterOffsetOf(base_, port);
    unsigned char byte = value;
    if (offset == kDataRegister) {
        Call(PPWDATA, &byte, offset, "writing");
    } else if (offset == kControlRegister) {
        byte &= kControlLineBits;
        Call(PPWCONTROL, &byte, offset, "writing");
    }
}

}  // namespace vantrel
