#include "hardware/direct_port.h"

#include <cerrno>
#include <cstring>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VANTREL_HAVE_PORT_IO 1
#endif

#include "hardware/port_error.h"
#include "hardware/port_registers.h"

namespace vantrel {

int TSystemDirectIo::Ioperm(std::uint16_t from, std::uint16_t count, bool enable) {
#ifdef VANTREL_HAVE_PORT_IO
    return ::ioperm(from, count, enable ? 1 : 0) == 0 ? 0 : errno;
#else
    (void)from;
    (void)count;
    (void)enable;
    return ENOSYS;
#endif
}

// Reached only after Ioperm succeeded, which it never does without port I/O.
std::uint8_t TSystemDirectIo::In(std::uint16_t address) {
#ifdef VANTREL_HAVE_PORT_IO
    return ::inb(address);
#else
    throw TPortError("no port I/O on this processor (reading 0x" + PortAddressHex(address) + ")");
#endif
}

void TSystemDirectIo::Out(std::uint16_t address, std::uint8_t value) {
#ifdef VANTREL_HAVE_PORT_IO
    ::outb(value, address);
#else
    (void)value;
    throw TPortError("no port I/O on this processor (writing 0x" + PortAddressHex(address) + ")");
#endif
}

TOpenedPort TDirectPort::Open(std::uint16_t base, TDirectIo& io) {
    const int error = io.Ioperm(base, kPortRegisterCount, true);
    if (error == 0) {
        return {std::unique_ptr<TPortAccess>(new TDirectPort(base, io)), {}};
    }
    std::string message =
        "direct I/O to the port at 0x" + PortAddressHex(base) + " refused: " + std::strerror(error);
    if (error == EPERM || error == EACCES) {
        message +=
            " (run as root or give the program CAP_SYS_RAWIO, or use the ppdev driver, "
            "which needs only membership of group lp)";
    } else if (error == ENOSYS) {
        message += " (no direct port I/O on this processor or kernel: use the ppdev driver)";
    }
    return {nullptr, message};
}

TDirectPort::~TDirectPort() {
    (void)io_.Ioperm(base_, kPortRegisterCount, false);
}

std::uint8_t TDirectPort::DlPortReadPortUchar(std::uint32_t port) {
    (void)RegisterOffsetOf(base_, port);
    return io_.In(static_cast<std::uint16_t>(port));
}

void TDirectPort::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    (void)RegisterOffsetOf(base_, port);
    io_.Out(static_cast<std::uint16_t>(port), value);
}

}  // namespace vantrel
