#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_chip.h"

namespace vantrel {

// A PIC18 on its serial programming interface: 4-bit commands with 16-bit operands, the core
// instructions programmers feed it, the table pointer and latch, the write buffer(s), the
// keyed bulk erase, configuration bytes, ID locations and the data EEPROM through EECON1.
class TSimChip18 final : public TSimChip {
  public:
    TSimChip18(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
               const TSimFaults& faults);

    [[nodiscard]] std::uint32_t TablePointer() const { return tblptr_; }

  protected:
    void EnterProgramming() override;
    void LeaveProgramming() override;
    void ClockRose(bool line) override;
    void ClockFell(bool line) override;
    void Settle() override;
    [[nodiscard]] bool Busy() const override;
    void DataLineChanged(bool line) override;

  private:
    // A write buffer: one per 8 KB panel in multi-panel mode, otherwise just one.
    struct TWriteBuffer {
        std::vector<std::uint8_t> Bytes;
        std::vector<bool> Written;  // holding registers loaded since the last write
        std::uint32_t Row = 0;      // where its bytes were loaded
        bool Loaded = false;
    };
    enum class TEraseState : std::uint8_t { None, KeyWritten, Armed };

    void EndFrame();
    void DecodeCommand();
    void ExecuteFrame();
    void ExecuteCore(std::uint16_t instruction);
    void TableRead();
    void TableWrite(bool startProgramming);
    // EECON1 selects what a table write programs: EEPGD for flash (code and IDs), with CFGS
    // for the configuration bytes. True when the selection fits `address`.
    [[nodiscard]] bool SelectionFits(std::uint32_t address);
    void WriteRegister(std::uint8_t file, std::uint8_t value);
    [[nodiscard]] std::uint8_t ReadRegister(std::uint8_t file) const;
    void SetEecon1Bit(int bit, bool set);
    void StartEepromWrite();
    void WriteKeyRegister(std::uint32_t address, std::uint8_t value);
    void ResetBuffers();
    void BufferWord(std::uint32_t address, std::uint16_t word);
    void StartPulse();
    void FinishPulse();
    void CommitProgramming();
    void CommitBuffer(TWriteBuffer& buffer, std::uint32_t row);
    void CommitErase();
    void EraseCodeRange(std::uint32_t from, std::uint32_t to);
    void WriteConfigByte(std::size_t index, std::uint8_t value);
    [[nodiscard]] std::uint8_t ReadMemory(std::uint32_t address) const;
    [[nodiscard]] std::uint32_t CodeBytes() const;
    [[nodiscard]] std::uint16_t EepromAddress() const;
    [[nodiscard]] std::string InstructionText(std::uint16_t instruction) const;

    const TFamily18Profile& profile_;
    std::size_t bufferBytes_;

    // The frame being clocked in.
    int clocks_ = 0;
    std::uint8_t command_ = 0;
    std::uint16_t operand_ = 0;
    bool shiftingOut_ = false;
    std::uint8_t outByte_ = 0;
    bool keyWrittenThisFrame_ = false;

    // Core registers the programming sequences use.
    std::uint32_t tblptr_ = 0;
    std::uint8_t tablat_ = 0;
    std::uint8_t wreg_ = 0;
    std::uint8_t eecon1_ = 0;
    std::uint8_t eeadr_ = 0;
    std::uint8_t eeadrh_ = 0;
    std::uint8_t eedata_ = 0;
    int unlockStage_ = 0;
    std::uint8_t eraseKeyLow_ = 0;   // 0x3C0004
    std::uint8_t eraseKeyHigh_ = 0;  // 0x3C0005
    bool multiPanel_ = false;        // 0x3C0006

    std::vector<TWriteBuffer> buffers_;
    bool programPending_ = false;   // a start-programming write waits for its NOP
    std::uint32_t programRow_ = 0;  // single-panel: the row the write goes to
    bool configPending_ = false;    // the write is one configuration byte
    bool misdirected_ = false;      // EECON1 selected other memory: the write programs nothing
    std::size_t configIndex_ = 0;
    std::uint8_t configValue_ = 0;
    bool pulseRunning_ = false;
    std::uint64_t pulseStart_ = 0;
    bool dischargeCheck_ = false;  // the next rising edge must wait out P10
    std::uint64_t dischargeFrom_ = 0;

    TEraseState eraseState_ = TEraseState::None;
    bool eraseRunning_ = false;
    std::uint64_t eraseDue_ = 0;
    // From the start of a bulk erase to the first clock after its discharge time PGD must stay
    // low; each misuse is reported once per erase.
    bool eraseHold_ = false;
    bool eraseDataReported_ = false;
    bool eraseClockReported_ = false;

    bool eepromWriting_ = false;
    std::uint64_t eepromDue_ = 0;
    std::uint16_t eepromAddress_ = 0;
    std::uint8_t eepromValue_ = 0;
};

}  // namespace vantrel
