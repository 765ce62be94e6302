#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <streambuf>
#include <string>
#include <vector>

#include "device/pic_device.h"
#include "hardware/pin_assignment.h"
#include "hardware/port_access.h"

namespace vantrel::test {

// A logic analyser on the programmer's port with the bare minimum of a chip behind it: it
// decodes what the routines clock out into a transcript, one token per frame, and answers read
// frames from contents the test gives it. It knows nothing of the routines, only the serial
// protocols, so a transcript is what a chip would have seen.
//
// Tokens:
//   "on", "off"   the programming voltage (Vpp or Vpp40) switched on or off
//   "D n"         a wait of n ms between frames (waits of 0 are left out)
//   12/14-bit:    "Cmd n" (decimal), "L 3FFF" (data frame, 14 bits), "R" (read frame)
//   18F:          "I 8EA6" (core instruction), "C12 0080" (another command and its payload),
//                 "TBLRD" (table read, post-increment), "TABLAT" (shift out TABLAT)
//   A wait inside a frame is appended to that frame's token as " D n@kH" or " D n@kL": after k
//   falling clock edges of the frame, with the clock held high (H) or low (L).
class TSerialProbe final : public TPortAccess {
  public:
    enum class TFamily { Pic12, Pic14, Pic18 };

    TSerialProbe(TFamily family, std::uint16_t base, const TWiring& wiring);

    [[nodiscard]] static TFamily FamilyOf(const TPicDevice& device);

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;
    // A DelayMs call of the pin layer.
    void Delay(std::uint32_t ms);

    // What the chip holds. 12/14-bit: the word at an address counter value (program memory from
    // 0, configuration space from 0x2000, the 12-bit configuration word at 0xFFF); 18F: the
    // byte at a table-pointer address, a data EEPROM byte, and EECON1 as the n-th
    // MOVF EECON1,W (from 0) finds it. Unset functions read as erased (EECON1 as idle).
    std::function<std::uint16_t(std::uint32_t)> Word;
    std::function<std::uint8_t(std::uint32_t)> Byte;
    std::function<std::uint8_t(std::uint32_t)> EepromByte;
    std::function<std::uint8_t(std::size_t)> Eecon1;

    std::vector<std::string> Transcript;

    // True while any supply or programming voltage is on.
    [[nodiscard]] bool Powered() const;

  private:
    [[nodiscard]] bool Level(const TPinAssignment& pin) const;
    [[nodiscard]] bool ProgrammingVoltage() const;
    void FallingEdge(bool data);
    void Bit14(bool data);
    void Bit18(bool data);
    void FinishFrame(std::string token);
    void Execute18(std::uint16_t instruction);
    [[nodiscard]] std::uint16_t ReadWord(std::uint8_t command) const;

    TFamily family_;
    std::uint16_t base_;
    const TWiring& wiring_;
    std::uint8_t registers_[3] = {};
    bool clock_ = false;
    bool voltage_ = false;
    bool dataIn_ = true;

    // The frame being received.
    int bits_ = 0;
    std::uint32_t value_ = 0;
    int frameLength_ = 0;
    std::uint8_t command_ = 0;
    std::uint16_t readValue_ = 0;
    bool reading_ = false;
    std::string suffix_;

    // The chip's registers.
    std::uint32_t address_ = 0;
    std::uint32_t tablePointer_ = 0;
    std::uint8_t w_ = 0;
    std::uint8_t tablat_ = 0;
    std::uint16_t eepromAddress_ = 0;
    std::uint8_t eepromData_ = 0;
    std::size_t eecon1Reads_ = 0;
};

// Passes the pin layer's DelayMs calls, which reach a TPortTrace as "D n" lines, to the probe.
class TDelaySink final : public std::streambuf {
  public:
    explicit TDelaySink(TSerialProbe& probe) : probe_(probe) {}

  protected:
    int_type overflow(int_type c) override;

  private:
    TSerialProbe& probe_;
    std::string line_;
};

}  // namespace vantrel::test
