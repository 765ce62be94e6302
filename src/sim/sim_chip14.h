#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/sim_chip.h"

namespace vantrel {

// A 12- or 14-bit PIC on the serial programming interface: 6-bit commands, 16-clock data
// frames, an address counter, write latches and the cycles of its family (see
// TFamily14Profile). Data is latched on the falling clock edge; read data is driven from the
// rising edge. The chip only counts clocks: a data command whose frame does not follow takes the
// next clocks as its frame.
class TSimChip14 final : public TSimChip {
  public:
    TSimChip14(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
               const TSimFaults& faults);

    // The address counter, for tests that check where a command sequence left it.
    [[nodiscard]] std::uint16_t AddressCounter() const { return pc_; }

    [[nodiscard]] std::vector<std::string> UnderProgrammedCells() const override;

  protected:
    void EnterProgramming() override;
    void LeaveProgramming() override;
    void ClockRose(bool line) override;
    void ClockFell(bool line) override;
    void Settle() override;
    [[nodiscard]] bool Busy() const override { return cycle_.Running; }

  private:
    static constexpr std::size_t kMaxLatches = 8;

    enum class TPhase : std::uint8_t { Command, LoadFrame, ReadFrame };
    enum class TAction : std::uint8_t {
        WriteProgram,     // the loaded latches into program memory, IDs or configuration
        WriteData,        // the data latch into data EEPROM
        EraseProgram,     // program memory (and config and IDs from the configuration area)
        EraseData,        // data EEPROM
        ChipErase,        // program, data and configuration (IDs from the configuration area)
        EraseEverything,  // the code-protect-disable erase
    };
    enum class TChosenErase : std::uint8_t { None, Program, Data };

    struct TCycle {
        bool Running = false;
        TAction Action = TAction::WriteProgram;
        TWriteMode Mode = TWriteMode::EraseThenProgram;
        bool External = false;
        bool Refused = false;  // protection refused it: it takes its time and changes nothing
        std::uint64_t Start = 0;
        std::uint64_t Due = 0;  // end of an internal cycle, or the minimum end of an external one
        // An external cycle: when the host's wait for it ended, at the first clock after the
        // begin command; nothing while it waits.
        std::optional<std::uint64_t> HostWaitEnded;
        std::uint16_t Pc = 0;
        std::array<std::uint16_t, kMaxLatches> Latches{};
        std::uint8_t Loaded = 0;
        std::uint8_t DataByte = 0xFF;
        bool DataLoaded = false;
    };

    // Where an address of the counter points.
    enum class TCell : std::uint8_t { None, Program, Id, Config, ReadOnly };
    struct TTarget {
        TCell Kind = TCell::None;
        std::size_t Index = 0;
        std::uint16_t Value = 0;  // for ReadOnly cells
    };

    [[nodiscard]] std::uint8_t Decode(std::uint8_t raw) const;
    [[nodiscard]] bool Supported(std::uint8_t code) const;
    [[nodiscard]] std::string CommandName(std::uint8_t code) const;
    [[nodiscard]] bool InConfigSpace(std::uint16_t address) const;
    [[nodiscard]] TTarget Resolve(std::uint16_t address) const;
    [[nodiscard]] std::uint16_t ReadCell(std::uint16_t address) const;
    [[nodiscard]] std::uint8_t ReadDataByte(std::uint16_t address) const;
    [[nodiscard]] std::uint16_t BlankWord() const;

    void OnCommand(std::uint8_t raw);
    void Execute(std::uint8_t code);
    void StartFrame(std::uint8_t code, bool discard);
    void ApplyLoad(std::uint8_t code, std::uint16_t word);
    void Increment();
    void Begin(std::uint8_t code);
    void BulkErase(bool data);
    void StartErase(TAction action, std::uint32_t microseconds);
    void EndExternalCycle();
    void Commit();
    void CommitErase();
    void WriteCell(std::uint16_t address, std::uint16_t value, TWriteMode mode);
    void FinishEpromPulse(std::uint64_t duration, std::uint64_t hostWait);
    void ResetLatches();
    // Undefined bits of a read frame: the start and stop bits and the bits above the memory's
    // width. They vary from read to read, so a host must mask them off.
    [[nodiscard]] bool NoiseBit();
    [[nodiscard]] std::uint16_t Noise();
    // The programming time an EPROM cell needs in all: until it reads back, and the
    // over-programming after that.
    [[nodiscard]] std::uint64_t EpromTimeRequired(std::uint16_t address) const;

    const TFamily14Profile& profile_;
    std::uint16_t pc_ = 0;
    TPhase phase_ = TPhase::Command;
    int clocks_ = 0;  // falling edges counted in the present command or frame
    std::uint32_t shift_ = 0;
    std::uint8_t frameCommand_ = 0;
    bool discardFrame_ = false;
    std::uint16_t readWord_ = 0;
    bool startBit_ = false;
    bool stopBit_ = false;
    std::uint32_t noise_;
    std::array<std::uint16_t, kMaxLatches> latches_{};
    std::uint8_t loaded_ = 0;
    std::size_t lastLoadedLatch_ = 0;
    std::uint8_t dataLatch_ = 0xFF;
    bool dataLoaded_ = false;
    bool dataSelected_ = false;  // the last load chose data EEPROM
    bool setupFirstHalf_ = false;
    bool setupArmed_ = false;
    TChosenErase chosenErase_ = TChosenErase::None;
    TCycle cycle_;
    // EPROM cells program by accumulated pulse time; kept per word for this chip's life.
    std::map<std::uint16_t, std::uint64_t> pulseTime_;
    // Cells whose value these pulses changed: a cell that already held its word (a factory
    // calibration word written back) needs no over-programming.
    std::set<std::uint16_t> changedByPulses_;
};

}  // namespace vantrel
