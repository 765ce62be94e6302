#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "programming/programming_ui.h"

namespace vantrel::test {

// A user interface that records what it is shown and answers from a script.
class TRecordingUi final : public TProgrammingUi {
  public:
    void SetStatus(std::string_view text) override;
    void ShowMessage(std::string_view text) override;
    [[nodiscard]] bool AskYesNo(std::string_view question) override;
    [[nodiscard]] TAnswer AskYesNoCancel(std::string_view question) override;
    // Recorded among the questions; answered with CalibrationAnswer.
    [[nodiscard]] std::optional<std::uint16_t> AskCalibrationWord(
        std::string_view question) override;
    void OperationStarted(TChipOperation operation) override;
    void OperationEnded(TChipOperation operation) override;
    void BufferChanged() override { Events.emplace_back("buffer changed"); }
    void ChipRead() override { Events.emplace_back("chip read"); }
    [[nodiscard]] bool NewImage() override;

    std::vector<std::string> Statuses;
    std::vector<std::string> Messages;
    std::vector<std::string> Questions;
    // Hooks, statuses and messages in the order they came.
    std::vector<std::string> Events;
    std::deque<bool> Answers;  // then DefaultAnswer
    bool DefaultAnswer = true;
    bool NewImageAnswer = true;
    std::optional<std::uint16_t> CalibrationAnswer;  // nothing: the user cancels
    std::function<void(std::string_view)> OnStatus;
    std::function<void(std::string_view)> OnMessage;
};

}  // namespace vantrel::test
