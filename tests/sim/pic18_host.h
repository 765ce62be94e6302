#pragma once

// The 18F programming sequences of the chip notes (DS39622 for the later parts, three tools
// agreeing for the 18Fxx2/xx8), on top of TIcspHost. Header-only: the benchmark uses it too.

#include <cstdint>
#include <vector>

#include "icsp_host.h"

namespace vantrel::test {

inline constexpr std::uint8_t kTableWrite = 0b1100;
inline constexpr std::uint8_t kTableWritePostIncrement2 = 0b1101;
inline constexpr std::uint8_t kTableWriteStart = 0b1111;

inline constexpr std::uint16_t kBsfEepgd = 0x8EA6;
inline constexpr std::uint16_t kBcfEepgd = 0x9EA6;
inline constexpr std::uint16_t kBsfCfgs = 0x8CA6;
inline constexpr std::uint16_t kBcfCfgs = 0x9CA6;
inline constexpr std::uint16_t kBsfWren = 0x84A6;
inline constexpr std::uint16_t kBcfWren = 0x94A6;
inline constexpr std::uint16_t kBsfWr = 0x82A6;
inline constexpr std::uint16_t kBsfRd = 0x80A6;
inline constexpr std::uint16_t kMovfEecon1W = 0x50A6;
inline constexpr std::uint16_t kMovfEedataW = 0x50A8;
inline constexpr std::uint16_t kMovwfTablat = 0x6EF5;
inline constexpr std::uint16_t kMovwfEeadr = 0x6EA9;
inline constexpr std::uint16_t kMovwfEeadrh = 0x6EAA;
inline constexpr std::uint16_t kMovwfEedata = 0x6EA8;
inline constexpr std::uint16_t kMovwfEecon2 = 0x6EA7;
inline constexpr std::uint16_t kNop = 0x0000;

[[nodiscard]] inline std::uint16_t Movlw(std::uint8_t k) {
    return static_cast<std::uint16_t>(0x0E00 | k);
}

// Per family: the older parts have 8-byte buffers, one erase key and the EECON2 unlock; the
// later ones larger buffers, keyed erases and P10 of 100 us.
struct TPic18Recipe {
    bool Later;
    std::size_t BufferBytes;
    std::uint64_t EraseWaitMicroseconds;  // P11 + P10
    std::uint64_t DischargeMicroseconds;  // P10
};

class TPic18Programmer {
  public:
    TPic18Programmer(TIcspHost& host, const TPic18Recipe& recipe) : host_(host), recipe_(recipe) {}

    TIcspHost& Host() { return host_; }
    void Enter() { host_.EnterVddFirst(); }
    void Exit() { host_.Exit(); }

    void Program(std::uint64_t hold = 1000) {
        host_.ProgramNop(hold, recipe_.DischargeMicroseconds);
    }

    void ChipErase() {
        if (recipe_.Later) {
            host_.SetTablePointer(0x3C0005);
            host_.Send18(kTableWrite, 0x3F3F);
            host_.SetTablePointer(0x3C0004);
            host_.Send18(kTableWrite, 0x8F8F);
        } else {
            host_.SetTablePointer(0x3C0004);
            host_.Send18(kTableWrite, 0x0080);
        }
        host_.EraseNop(recipe_.EraseWaitMicroseconds);
    }

    // Code or ID bytes from an address at a buffer boundary, a buffer at a time.
    void WriteRows(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
        host_.Core(kBsfEepgd);
        host_.Core(kBcfCfgs);
        if (!recipe_.Later) {
            SelectSinglePanel();
        }
        for (std::size_t row = 0; row < bytes.size(); row += recipe_.BufferBytes) {
            host_.SetTablePointer(address + static_cast<std::uint32_t>(row));
            const std::size_t end = std::min(row + recipe_.BufferBytes, bytes.size());
            for (std::size_t i = row; i < end; i += 2) {
                const auto word = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
                host_.Send18(i + 2 < end ? kTableWritePostIncrement2 : kTableWriteStart, word);
            }
            Program();
        }
    }

    [[nodiscard]] std::vector<std::uint8_t> ReadBytes(std::uint32_t address, std::size_t count) {
        host_.SetTablePointer(address);
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < count; ++i) {
            bytes.push_back(host_.TableReadPostIncrement());
        }
        return bytes;
    }

    void WriteConfigByte(std::size_t index, std::uint8_t value) {
        host_.Core(kBsfEepgd);
        host_.Core(kBsfCfgs);
        if (!recipe_.Later) {
            host_.Core(0xEF00);  // GOTO 0x100000, as tools do on these parts
            host_.Core(0xF800);
        }
        host_.SetTablePointer(0x300000 + static_cast<std::uint32_t>(index));
        host_.Send18(kTableWriteStart, static_cast<std::uint16_t>(value | (value << 8)));
        Program();
    }

    void WriteEeprom(std::uint16_t address, std::uint8_t value) {
        SelectEeprom(address);
        host_.Core(Movlw(value));
        host_.Core(kMovwfEedata);
        host_.Core(kBsfWren);
        if (!recipe_.Later) {
            host_.Core(Movlw(0x55));
            host_.Core(kMovwfEecon2);
            host_.Core(Movlw(0xAA));
            host_.Core(kMovwfEecon2);
        }
        host_.Core(kBsfWr);
        polls_ = 0;
        do {
            host_.Core(kMovfEecon1W);
            host_.Core(kMovwfTablat);
            host_.Core(kNop);
            ++polls_;
        } while ((host_.ShiftOutTablat() & 0x02) != 0 && polls_ < 1000);
        host_.Wait(recipe_.DischargeMicroseconds);
        host_.Core(kBcfWren);
    }

    [[nodiscard]] std::uint8_t ReadEeprom(std::uint16_t address) {
        SelectEeprom(address);
        host_.Core(kBsfRd);
        host_.Core(kMovfEedataW);
        host_.Core(kMovwfTablat);
        host_.Core(kNop);
        return host_.ShiftOutTablat();
    }

    [[nodiscard]] int LastPolls() const { return polls_; }

  private:
    // Data EEPROM access (EEPGD and CFGS clear) at `address`.
    void SelectEeprom(std::uint16_t address) {
        host_.Core(kBcfEepgd);
        host_.Core(kBcfCfgs);
        host_.Core(Movlw(static_cast<std::uint8_t>(address)));
        host_.Core(kMovwfEeadr);
        host_.Core(Movlw(static_cast<std::uint8_t>(address >> 8)));
        host_.Core(kMovwfEeadrh);
    }

    void SelectSinglePanel() {
        host_.Core(kBsfCfgs);
        host_.SetTablePointer(0x3C0006);
        host_.Send18(kTableWrite, 0x0000);
        host_.Core(kBcfCfgs);
    }

    TIcspHost& host_;
    TPic18Recipe recipe_;
    int polls_ = 0;
};

}  // namespace vantrel::test
