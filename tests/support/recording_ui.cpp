#include "support/recording_ui.h"

namespace vantrel::test {

void TRecordingUi::SetStatus(std::string_view text) {
    Statuses.emplace_back(text);
    Events.emplace_back(text);
    if (OnStatus) {
        OnStatus(text);
    }
}

void TRecordingUi::ShowMessage(std::string_view text) {
    Messages.emplace_back(text);
    Events.push_back("message: " + std::string(text));
    if (OnMessage) {
        OnMessage(text);
    }
}

bool TRecordingUi::AskYesNo(std::string_view question) {
    Questions.emplace_back(question);
    Events.push_back("question: " + std::string(question));
    if (Answers.empty()) {
        return DefaultAnswer;
    }
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
}

TAnswer TRecordingUi::AskYesNoCancel(std::string_view question) {
    return AskYesNo(question) ? TAnswer::Yes : TAnswer::No;
}

std::optional<std::uint16_t> TRecordingUi::AskCalibrationWord(std::string_view question) {
    Questions.emplace_back(question);
    Events.push_back("calibration question: " + std::string(question));
    return CalibrationAnswer;
}

void TRecordingUi::OperationStarted(TChipOperation operation) {
    Events.push_back("started " + std::string(ChipOperationName(operation)));
}

void TRecordingUi::OperationEnded(TChipOperation operation) {
    Events.push_back("ended " + std::string(ChipOperationName(operation)));
}

bool TRecordingUi::NewImage() {
    Events.emplace_back("new image");
    return NewImageAnswer;
}

}  // namespace vantrel::test
