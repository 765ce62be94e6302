#include "service/chip_operation.h"

#include <stdexcept>

#include "hardware/port_error.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kMsPerSecond = 1000;

// Passes everything on to the program's own user interface and remembers the last message box,
// which is the failure the operation reported.
class TFailureRecordingUi final : public TProgrammingUi {
  public:
    explicit TFailureRecordingUi(TProgrammingUi& inner) : inner_(inner) {}

    void SetStatus(std::string_view text) override { inner_.SetStatus(text); }
    void ShowMessage(std::string_view text) override {
        LastMessage = text;
        inner_.ShowMessage(text);
    }
    bool AskYesNo(std::string_view question) override { return inner_.AskYesNo(question); }
    bool AskOtherDevice(std::string_view question) override {
        return inner_.AskOtherDevice(question);
    }
    std::optional<std::uint16_t> AskCalibrationWord(std::string_view question) override {
        return inner_.AskCalibrationWord(question);
    }
    TAnswer AskYesNoCancel(std::string_view question) override {
        return inner_.AskYesNoCancel(question);
    }
    void Progress(std::size_t done, std::size_t total) override { inner_.Progress(done, total); }
    void OperationStarted(TChipOperation operation) override { inner_.OperationStarted(operation); }
    void OperationEnded(TChipOperation operation) override { inner_.OperationEnded(operation); }
    void BufferChanged() override { inner_.BufferChanged(); }
    void ChipRead() override { inner_.ChipRead(); }
    bool NewImage() override { return inner_.NewImage(); }

    std::string LastMessage;

  private:
    TProgrammingUi& inner_;
};

// A Write that stopped at the blank check leaves OperationOk set, as the window reports it; for
// the caller the chip was not written, which is a failure unless the user chose it.
TOperationOutcome OutcomeOf(const TProgrammer& programmer) {
    if (programmer.Declined) {
        return TOperationOutcome::Declined;
    }
    if (!programmer.OperationOk || programmer.BlankCheckStopped) {
        return TOperationOutcome::Failed;
    }
    return TOperationOutcome::Succeeded;
}

// Runs the operation; its outcome, unless something was thrown.
TOperationOutcome Perform(TProgrammer& programmer, TChipOperation operation,
                          const TPicDevice& device, std::string& failure) {
    switch (operation) {
        case TChipOperation::Write:
            programmer.WritePIC(true);
            return OutcomeOf(programmer);
        case TChipOperation::Read:
            programmer.ReadPIC();
            return OutcomeOf(programmer);
        case TChipOperation::Verify:
            programmer.VerifyPIC();
            return OutcomeOf(programmer);
        case TChipOperation::Erase:
            if (!programmer.ErasePIC()) {
                failure = "the " + std::string(device.Name) +
                          " is one-time programmable; it cannot be erased";
                return TOperationOutcome::Failed;
            }
            return OutcomeOf(programmer);
    }
    throw std::logic_error("unknown chip operation");
}

}  // namespace

TOperationResult RunChipOperation(TProgrammerConnection& connection, TChipOperation operation,
                                  TVantrelSession& session, TProgrammingUi& ui,
                                  const TStopToken& stop) {
    TOperationResult result;
    TPinLayer& pins = connection.Pins();
    TFailureRecordingUi recorder(ui);
    TProgrammer programmer(session, pins, recorder);
    std::string thrown;
    try {
        connection.FollowDevice(session.Device.CurrentDevice);
        const TStopScope armed(pins, stop);
        // A Write starts the stopwatch itself, after its first status; the others from here.
        pins.StartStopwatch();
        result.Outcome = Perform(programmer, operation, session.Device.Device(), thrown);
        result.Seconds = pins.StopwatchMs() / kMsPerSecond;
    } catch (const TOperationStopped& stopped) {
        result.Outcome = TOperationOutcome::Cancelled;
        result.StopReason = stopped.Reason;
    } catch (const TPortError& e) {
        result.Outcome = TOperationOutcome::NoProgrammer;
        thrown = e.what();
    } catch (const std::exception& e) {
        result.Outcome = TOperationOutcome::Failed;
        thrown = e.what();
    }
    result.WordsWritten = programmer.WordsWritten;
    result.Identity = programmer.Identity;
    if (!thrown.empty()) {
        result.Failure = thrown;
    } else if (!programmer.Refusal.empty()) {
        result.Failure = programmer.Refusal;  // shown in a message box or in the question
        result.FailureShown = true;
    } else {
        result.Failure = recorder.LastMessage;
        result.FailureShown = !recorder.LastMessage.empty();
    }
    return result;
}

}  // namespace vantrel
