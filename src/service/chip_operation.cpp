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

// Arms the pin layer with the stop token for the operation and disarms it afterwards.
class TStopScope {
  public:
    TStopScope(TPinLayer& pins, const TStopToken& stop) : pins_(pins) { pins_.SetStopToken(&stop); }
    ~TStopScope() { pins_.SetStopToken(nullptr); }
    TStopScope(const TStopScope&) = delete;
    TStopScope& operator=(const TStopScope&) = delete;

  private:
    TPinLayer& pins_;
};

TOperationOutcome WriteOutcome(const TProgrammer& programmer) {
    if (!programmer.OperationOk) {
        return TOperationOutcome::Failed;
    }
    if (programmer.BlankCheckStopped) {
        return programmer.Declined ? TOperationOutcome::Declined : TOperationOutcome::Failed;
    }
    return TOperationOutcome::Succeeded;
}

TOperationOutcome EraseOutcome(const TProgrammer& programmer) {
    if (programmer.Declined) {
        return TOperationOutcome::Declined;
    }
    return programmer.OperationOk ? TOperationOutcome::Succeeded : TOperationOutcome::Failed;
}

// Runs the operation; its outcome, unless something was thrown.
TOperationOutcome Perform(TProgrammer& programmer, TChipOperation operation,
                          const TPicDevice& device, std::string& failure) {
    switch (operation) {
        case TChipOperation::Write:
            programmer.WritePIC(true);
            return WriteOutcome(programmer);
        case TChipOperation::Read:
            programmer.ReadPIC();
            return TOperationOutcome::Succeeded;
        case TChipOperation::Verify:
            programmer.VerifyPIC();
            return programmer.OperationOk ? TOperationOutcome::Succeeded
                                          : TOperationOutcome::Failed;
        case TChipOperation::Erase:
            if (!programmer.ErasePIC()) {
                failure = "the " + std::string(device.Name) +
                          " is one-time programmable; it cannot be erased";
                return TOperationOutcome::Failed;
            }
            return EraseOutcome(programmer);
    }
    throw std::logic_error("unknown chip operation");
}

}  // namespace

std::string_view ChipOperationName(TChipOperation operation) {
    switch (operation) {
        case TChipOperation::Write:
            return "Write";
        case TChipOperation::Read:
            return "Read";
        case TChipOperation::Verify:
            return "Verify";
        case TChipOperation::Erase:
            return "Erase";
    }
    return {};
}

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
    result.FailureShown = thrown.empty() && !recorder.LastMessage.empty();
    result.Failure = thrown.empty() ? recorder.LastMessage : thrown;
    return result;
}

}  // namespace vantrel
