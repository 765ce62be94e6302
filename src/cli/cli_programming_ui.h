#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string_view>

#include "cli/cli_image.h"
#include "programming/programming_ui.h"

namespace vantrel::cli {

// How the command line answers and shows things.
struct TCliUiSettings {
    bool AssumeYes = false;         // --yes: every question is answered Yes
    bool Interactive = false;       // questions are asked on the terminal
    bool ProgressOnStatus = false;  // the status stream is a terminal: draw a progress bar
};

// What the user told the command line beforehand for the questions that guard the chip.
struct TCliChipAnswers {
    bool ForceDevice = false;                  // --force-device: go on with another device's chip
    std::optional<std::uint16_t> Calibration;  // --cal: the calibration word to write back
};

// The programming operations' user interface on a terminal or in a script: status texts are
// printed as they come, one per line; message boxes and questions go to the error stream. A
// question is answered Yes only with --yes; otherwise it is asked on a terminal, and answered
// No when nobody can be asked.
class TCliProgrammingUi final : public TProgrammingUi {
  public:
    TCliProgrammingUi(std::ostream& status, std::ostream& err, std::istream& in,
                      TCliUiSettings settings, TCliChipAnswers chipAnswers = {})
        : status_(status),
          err_(err),
          in_(in),
          settings_(settings),
          chipAnswers_(chipAnswers),
          messages_(err) {}

    void SetStatus(std::string_view text) override;
    void ShowMessage(std::string_view text) override;
    [[nodiscard]] bool AskYesNo(std::string_view question) override;
    // Yes only with --yes; asked on a terminal; Cancel, which changes nothing, when nobody can
    // be asked.
    [[nodiscard]] TAnswer AskYesNoCancel(std::string_view question) override;
    // Yes only with --force-device, on a terminal too: a wrong chip in the socket is nearly
    // always a mistake, and --yes is meant for the questions a script expects.
    [[nodiscard]] bool AskOtherDevice(std::string_view question) override;
    // The value of --cal; nothing without it.
    [[nodiscard]] std::optional<std::uint16_t> AskCalibrationWord(
        std::string_view question) override;
    void Progress(std::size_t done, std::size_t total) override;
    void OperationEnded(TChipOperation operation) override;

  private:
    void EndProgressLine();

    std::ostream& status_;
    std::ostream& err_;
    std::istream& in_;
    TCliUiSettings settings_;
    TCliChipAnswers chipAnswers_;
    TStreamMessageBox messages_;
    int shownPercent_ = -1;  // the bar on the status line; -1 when none is drawn
};

}  // namespace vantrel::cli
