// The user-level chip operations - Write, Read, Verify, Erase: which family routines run for
// the current device and in which order, and how the outcome is reported.

#include <string>

#include "device/hex_text.h"
#include "programming/operation_texts.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kMsPerSecond = 1000;
// Erase waits this long after its status text before it touches the chip.
constexpr std::uint32_t kEraseStartMs = 500;

constexpr std::string_view kEraseQuestion = "This will erase the PIC, are you sure?";

// Brackets an operation: tells the user interface it starts and ends, and switches the
// programming voltages and the supply off at the end, however the operation ends. The routines
// leave programming mode themselves on every path they know of; this also covers the ones they
// cannot know of, such as a port that fails half-way or a requested stop.
class TOperationScope {
  public:
    TOperationScope(TPinLayer& pins, TProgrammingUi& ui, TChipOperation operation)
        : pins_(pins), ui_(ui), operation_(operation) {
        ui_.OperationStarted(operation_);
    }

    ~TOperationScope() {
        if (ended_) {
            return;
        }
        // Unwinding: a second failure here must not replace the first one.
        try {
            pins_.SwitchSuppliesOff();
        } catch (...) {
        }
        try {
            ui_.OperationEnded(operation_);
        } catch (...) {
        }
    }

    TOperationScope(const TOperationScope&) = delete;
    TOperationScope& operator=(const TOperationScope&) = delete;

    // The normal end; a failure to switch off is reported to the caller.
    void End() {
        ended_ = true;
        pins_.SwitchSuppliesOff();
        ui_.OperationEnded(operation_);
    }

  private:
    TPinLayer& pins_;
    TProgrammingUi& ui_;
    TChipOperation operation_;
    bool ended_ = false;
};

// What the memory phases of a Write test before each pass. Taken when the phase starts: on the
// calibrated parts OscCheck may just have put the calibration word into the image.
struct TWritePlan {
    bool HasProgram = false;
    bool HasData = false;
    bool AutoVerify = false;
};

TWritePlan PlanWrite(const TVantrelSession& session) {
    const TPicDevice& device = session.Device.Device();
    const TDeviceImage& image = session.Device.Image;
    return {ProgramHasData(image, device), DataHasData(image), session.Options.AutoVerify};
}

using TPass = void (TProgrammer::*)(bool data);

// The per-word EEPROM routines: both memories are written, then both verified.
void EepromMemoryPhase(TProgrammer& programmer, const TWritePlan& plan) {
    if (plan.HasProgram) {
        programmer.ProgramChip(false);
    }
    if (programmer.OperationOk && plan.HasData) {
        programmer.ProgramChip(true);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasProgram) {
        programmer.Verify(false);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasData) {
        programmer.Verify(true);
    }
}

// The block FLASH routines: program memory is verified before data memory is written.
void FlashMemoryPhase(TProgrammer& programmer, const TWritePlan& plan) {
    if (plan.HasProgram) {
        programmer.FLASHProgramChip(false);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasProgram) {
        programmer.Verify(false);
    }
    if (programmer.OperationOk && plan.HasData) {
        programmer.FLASHProgramChip(true);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasData) {
        programmer.Verify(true);
    }
}

// The 18F routines have no read-back while writing: both writes run, then both verifies.
void Pic18MemoryPhase(TProgrammer& programmer, const TWritePlan& plan, TPass write, TPass verify) {
    if (plan.HasProgram) {
        (programmer.*write)(false);
    }
    if (plan.HasData) {
        (programmer.*write)(true);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasProgram) {
        (programmer.*verify)(false);
    }
    if (plan.AutoVerify && programmer.OperationOk && plan.HasData) {
        (programmer.*verify)(true);
    }
}

std::string BlowingFusesStatus(const TDeviceImage& image) {
    return "Blowing Fuses to $" + HexWordText(image.ConfigWord1);
}

// IDs and configuration, only after memory that wrote and verified well.
void ConfigurationPhase(TProgrammer& programmer, TVantrelSession& session, TProgrammingUi& ui,
                        void (TProgrammer::*configure)()) {
    if (!programmer.OperationOk) {
        return;
    }
    // The window's text for the IDs is replaced before it is ever painted, so it is not shown;
    // the test still cuts the ID entries to bytes, as the configuration routines expect.
    static_cast<void>(IdHasData(session.Device.Image, session.Device.Device()));
    ui.SetStatus(BlowingFusesStatus(session.Device.Image));
    (programmer.*configure)();
}

// New, as far as the image goes: cleared, the boxes showing the blank words, the options a
// new image starts with.
void ClearImageAsNew(TVantrelSession& session) {
    ClearBuffers(session.Device.Image, session.Device.Device());
    session.Config.UpdateConfig();
    session.Options.BlankCheck = true;
    session.Options.ChangeCal = false;
    session.Config.SetConfig();
}

}  // namespace

void TProgrammer::WritePIC(bool full) {
    TOperationScope scope(pins_, ui_, TChipOperation::Write);
    if (BeginOperation(TChipOperation::Write)) {
        RunWrite(full);
    }
    scope.End();
}

void TProgrammer::RunWrite(bool full) {
    OperationOk = true;
    WordsWritten = 0;
    BlankCheckStopped = false;
    Declined = false;
    pins_.StartStopwatch();
    switch (Device().Algorithm) {
        case kAlgorithmEeprom:
            EraseAll();
            EepromMemoryPhase(*this, PlanWrite(session_));
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramConfig);
            break;
        case kAlgorithmCalibrated: {
            const bool fromFile = full && session_.Options.ChangeCal;
            if (full) {
                if (!fromFile && !SaveCalibrationWord(TChipOperation::Write)) {
                    return;
                }
                EraseAll();
            }
            EepromMemoryPhase(*this, PlanWrite(session_));
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramConfig);
            if (OperationOk) {
                ui_.SetStatus(CalibrationWrittenText(Image(), Device(), fromFile));
            }
            break;
        }
        case kAlgorithmBlock877A:
        case kAlgorithmBlock7x:
        case kAlgorithmBlock88:
            EraseAll();
            FlashMemoryPhase(*this, PlanWrite(session_));
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramFLASHConfig);
            break;
        case kAlgorithmFlash628A:
            EraseAll();
            EepromMemoryPhase(*this, PlanWrite(session_));
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramFLASHConfig);
            break;
        case kAlgorithm18F:
            EraseAll();
            Pic18MemoryPhase(*this, PlanWrite(session_), &TProgrammer::ProgramChip18,
                             &TProgrammer::Verify18);
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramConfig18);
            break;
        case kAlgorithm18FNew:
            EraseAll();
            Pic18MemoryPhase(*this, PlanWrite(session_), &TProgrammer::ProgramChip18A,
                             &TProgrammer::Verify18A);
            ConfigurationPhase(*this, session_, ui_, &TProgrammer::ProgramConfig18);
            break;
        default:
            WriteEpromPart();
            break;
    }
    const std::string seconds = std::to_string(pins_.StopwatchMs() / kMsPerSecond);
    ui_.SetStatus(OperationOk ? std::to_string(WordsWritten) + " program words written in " +
                                    seconds + " secs."
                              : "VERIFY FAILED! - Elapsed time = " + seconds + " secs.");
    session_.Options.ChangeCal = false;
}

// One-time-programmable parts: nothing is erased; the chip must be blank, and its calibration
// word is kept with the user's consent.
void TProgrammer::WriteEpromPart() {
    if (!ProgramHasData(Image(), Device())) {
        return;
    }
    if (session_.Options.BlankCheck && !BlankCheck()) {
        BlankCheckStopped = true;
        return;
    }
    EpromProgramChip(false);
    if (session_.Options.AutoVerify) {
        EpromVerify(false);
    }
    if (OperationOk) {
        ui_.SetStatus(BlowingFusesStatus(Image()));
        EpromProgramConfig();
    }
}

void TProgrammer::ReadPIC() {
    TOperationScope scope(pins_, ui_, TChipOperation::Read);
    if (!BeginOperation(TChipOperation::Read)) {
        scope.End();
        return;
    }
    ClearBuffers(Image(), Device());
    switch (Device().Algorithm) {
        case kAlgorithmEeprom:
        case kAlgorithmFlash628A:
        case kAlgorithmCalibrated:
            Read(false);
            Read(true);
            ReadConfig();
            break;
        case kAlgorithmBlock877A:
        case kAlgorithmBlock7x:
        case kAlgorithmBlock88:
            FLASHRead(false);
            if (Device().EepromSize != 0) {
                FLASHRead(true);
            }
            ReadConfig();
            break;
        case kAlgorithm18F:
            Read18();
            ReadData18();
            ReadConfig18();
            break;
        case kAlgorithm18FNew:
            Read18A();
            ReadData18A();
            ReadConfig18();
            break;
        default:
            EpromRead(false);
            break;
    }
    session_.Config.UpdateConfig();
    ui_.BufferChanged();
    ui_.ChipRead();
    session_.Options.ChangeCal = false;
    if (!Identity) {
        CheckReadAnswered();
    }
    scope.End();
}

void TProgrammer::VerifyPIC() {
    TOperationScope scope(pins_, ui_, TChipOperation::Verify);
    if (!BeginOperation(TChipOperation::Verify)) {
        scope.End();
        return;
    }
    switch (Device().Algorithm) {
        case kAlgorithm18F:
        case kAlgorithm18FNew: {
            const bool newer = Device().Algorithm == kAlgorithm18FNew;
            const TPass verify = newer ? &TProgrammer::Verify18A : &TProgrammer::Verify18;
            (this->*verify)(false);
            if (OperationOk) {
                (this->*verify)(true);
            }
            if (OperationOk) {
                newer ? VerifyConfig18A() : VerifyConfig18();
            }
            break;
        }
        case kAlgorithmEprom:
        case kAlgorithmEpromOther:
            EpromVerify(false);
            if (OperationOk) {
                EpromVerifyConfig();
            }
            break;
        default:
            Verify(false);
            if (OperationOk) {
                Verify(true);
            }
            if (OperationOk) {
                VerifyConfig();
            }
            break;
    }
    ui_.SetStatus(OperationOk ? "Verify Successful!" : "Verify FAILED!");
    session_.Options.ChangeCal = false;
    scope.End();
}

bool TProgrammer::ErasePIC() {
    // The window disables Erase for these parts; the operation refuses them as well, since the
    // erase sequence of the EEPROM parts would be sent to a chip that cannot be erased.
    if (IsEprom(Device())) {
        return false;
    }
    TOperationScope scope(pins_, ui_, TChipOperation::Erase);
    // The question comes first: a user who answers No has not had the chip powered at all.
    if (!ui_.AskYesNo(kEraseQuestion)) {
        ResetOutcome();
        Refuse(TChipOperation::Erase, {}, true);
        scope.End();
        return true;
    }
    if (!BeginOperation(TChipOperation::Erase)) {
        scope.End();
        return true;
    }
    ui_.SetStatus("Erasing target PIC...");
    D(kEraseStartMs);
    if (ui_.NewImage()) {
        ClearImageAsNew(session_);
    }
    const bool calibrated = Device().Algorithm == kAlgorithmCalibrated;
    if (calibrated && !SaveCalibrationWord(TChipOperation::Erase)) {
        scope.End();
        return true;
    }
    EraseAll();
    if (calibrated) {
        // Writes the saved calibration word and configuration word back, as a Write without
        // its calibration save and erase - but inside this Erase, which the user interface sees
        // start and end once. When that fails its report stays: the chip is not what an erased
        // chip should be. Its verify is the check of the erase.
        RunWrite(false);
    } else if (session_.Options.AutoVerify) {
        CheckErased();
    }
    if (OperationOk) {
        ui_.SetStatus("Target PIC Erased!");
    }
    scope.End();
    return true;
}

}  // namespace vantrel
