#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/device_id.h"
#include "hardware/pin_layer.h"
#include "programming/fast_timing.h"
#include "programming/programming_ui.h"
#include "programming/vantrel_session.h"

namespace vantrel {

// The chip operations and the per-family routines they are built from. Each routine opens and
// closes its own programming-mode period; the memory selector `data` is false for program
// memory and true for data EEPROM. The routines talk to the chip only through the serial
// protocols, and to the user only through TProgrammingUi. The session's timing chooses between
// the standard waits and the fast timing's chip times, which come from `fastTimings`.
class TProgrammer {
  public:
    TProgrammer(TVantrelSession& session, TPinLayer& pins, TProgrammingUi& ui,
                const TFastTimings& fastTimings = DefaultFastTimings())
        : session_(session), pins_(pins), ui_(ui), fastTimings_(fastTimings) {}

    // Cleared by any verify failure; set when a Write or Verify starts.
    bool OperationOk = true;
    // Words loaded into the chip during the current Write.
    std::uint16_t WordsWritten = 0;
    // Set when a Write of an EPROM part stopped before writing anything: the blank check
    // failed or a calibration question was answered No. OperationOk stays true then, as the
    // window reports it; the command line needs to know.
    bool BlankCheckStopped = false;
    // Set when the user answered No to a question of the current operation: the erase
    // confirmation, a calibration question, or going on with a chip of another device.
    bool Declined = false;
    // The chip that answered when the current operation began; nothing for parts without a
    // device ID, which cannot be checked.
    std::optional<TChipIdentity> Identity;
    // Why the current operation stopped before it changed or read the chip's memories: no chip
    // answers, another device answers and the user did not go on, or the chip's calibration word
    // cannot be kept. The user has seen it, in a message box or in the question. Empty when the
    // operation went ahead.
    std::string Refusal;

    // User-level operations. Each first reads the chip's device ID (where the part has one) and
    // touches nothing unless the chip is the chosen device or the user accepts another one. Each
    // leaves Vpp, Vpp40 and Vdd off however it ends, a requested stop included.
    void WritePIC(bool full);
    void ReadPIC();
    void VerifyPIC();
    // Asks first; false when the device cannot be erased (one-time-programmable parts).
    // OperationOk is false afterwards when the user declined or the write-back failed.
    [[nodiscard]] bool ErasePIC();

    // EEPROM and FLASH parts.
    void ProgramChip(bool data);
    void FLASHProgramChip(bool data);
    void Verify(bool data);
    void Read(bool data);
    void FLASHRead(bool data);

    // EPROM parts, blank check and calibration.
    void EpromProgramChip(bool data);
    void EpromVerify(bool data);
    void EpromRead(bool data);
    void EpromProgramConfig();
    void EpromVerifyConfig();
    [[nodiscard]] bool BlankCheck();
    void OscCheck();

    // 18F parts: the names ending in 18 serve algorithm 8, those ending in 18A algorithm 10.
    void ProgramChip18(bool data);
    void ProgramChip18A(bool data);
    void Verify18(bool data);
    void Verify18A(bool data);
    void Read18();
    void Read18A();
    void ReadData18();
    void ReadData18A();
    void ProgramConfig18();
    void VerifyConfig18();
    void VerifyConfig18A();
    void ReadConfig18();

    // Configuration and IDs of the 14-bit erasable parts, and erase of every erasable family.
    void ProgramConfig();
    void ProgramFLASHConfig();
    void VerifyConfig();
    void ReadConfig();
    void EraseAll();

  private:
    [[nodiscard]] const TPicDevice& Device() const { return session_.Device.Device(); }
    [[nodiscard]] TDeviceImage& Image() { return session_.Device.Image; }

    // The sequences read close to their notation: on/off, Cmd n, L w, R, D n, PD.
    void On();
    void Off();
    void Cmd(std::uint8_t command);
    void L(std::uint16_t word);
    [[nodiscard]] std::uint16_t R();
    void D(std::uint32_t ms);
    void PD();
    void Instruction18(std::uint16_t instruction);

    // The pin layer's settings are the session's: they choose the timing.
    [[nodiscard]] bool Fast() const { return pins_.Settings().Timing == TTimingProfile::Fast; }
    // `standard` in the standard timing; in the fast one the family's time for `fast`.
    [[nodiscard]] TWaitTime Timed(TWaitTime standard, TFastWait fast) const;
    // D n, or the fast time.
    void Wait(std::uint32_t standardMs, TFastWait fast);
    // PD, or the fast time.
    void WaitProgDelay(TFastWait fast);

    // Shows a failure: programming mode is left first, since a message box can wait minutes
    // with the programming voltage on otherwise.
    void FailAfterLeaving(const std::string& message);

    // 18F bulk erase, used by EraseAll for algorithms 8 and 10.
    void EraseAll18();
    // Tests reach the 18F erase directly, without the operation around it.
    friend struct TEraseAll18Access;

    // Command 0 with its frame: the address counter moves to ID location 0.
    void LoadConfiguration();
    void Increment(std::size_t count);
    // A failure that does not stop the pass: the message, and the operation has failed.
    void ReportFailure(const std::string& message);
    // Read-back checks of the configuration passes (IDs through their 7-bit mask).
    void CheckIdReadBack(std::uint16_t expected, const std::string& failure);
    void CheckConfigurationReadBack();

    // EPROM parts: one programming pulse; reads to step over words.
    void EpromPulse(std::uint16_t word, std::uint32_t pulseMs);
    // The fast timing's EPROM algorithm: pulses with a read-back after each until the word
    // reads back, then the over-programming. True when it read back.
    bool EpromProgramWordFast(std::uint16_t word);
    // The fast timing's configuration word: its fixed number of pulses.
    void EpromProgramConfigurationFast(std::uint16_t word);
    void EpromFastPulse();
    void SkipWords(std::size_t count);
    // Reads the whole chip; the text of the first failure, empty when the chip is blank.
    // `found` receives a non-blank calibration word.
    [[nodiscard]] std::string FindNonBlank(std::uint16_t& found);
    [[nodiscard]] bool ConfirmCalibration(std::uint16_t found);

    // 18F parts.
    void SelectCodeMemory18();
    void WriteProgram18(std::size_t count);
    void WriteData18(std::size_t count);
    void WaitEepromWrite18();
    void EraseHoldNop18();

    // Compares a memory with the chip, once the counter has been stepped over the words before
    // address 0; stops at the first difference, leaving programming mode before it says so.
    void VerifyPass(bool data, std::size_t wordsBeforeStart);

    // Pieces of the 14-bit configuration routines and of the operations.
    void EraseEepromPart();
    void WriteIds();
    // The read-back of the configuration word just written, when "Auto-Verify" is on.
    void CheckConfigWord();
    void RunWrite(bool full);
    void WriteEpromPart();

    // The start of every user-level operation: forgets the last one's outcome and checks which
    // chip answers. False when the operation must not go on; the status says it was aborted.
    [[nodiscard]] bool BeginOperation(TChipOperation operation);
    void ResetOutcome();
    [[nodiscard]] bool CheckChipIdentity(TChipOperation operation);
    // Stops the operation before it touched the chip, for the reason the user has been shown.
    void Refuse(TChipOperation operation, std::string reason, bool declined);
    // Calibrated parts: reads the chip's calibration word into the image before an erase and
    // makes sure it is one worth writing back (a RETLW); otherwise asks the user for a value.
    // False when neither is there: nothing may be erased then.
    [[nodiscard]] bool SaveCalibrationWord(TChipOperation operation);
    // After an erase: the chip's program memory, data EEPROM and configuration read blank.
    void CheckErased();
    // The address (in the device's HEX word address space) of the first cell that does not read
    // erased; nothing when all do.
    [[nodiscard]] std::optional<std::uint32_t> FirstUnerased14();
    [[nodiscard]] std::optional<std::uint32_t> FirstUnerased18();
    // Read of a part without a device ID: a program memory of only zeros is no image, but a
    // chip that is missing or code-protected.
    void CheckReadAnswered();

    TVantrelSession& session_;
    TPinLayer& pins_;
    TProgrammingUi& ui_;
    const TFastTimings& fastTimings_;
};

// "0x01A": an address in upper-case hexadecimal with at least three digits, as the messages
// show it.
[[nodiscard]] std::string MessageAddress(std::uint32_t address);

}  // namespace vantrel
