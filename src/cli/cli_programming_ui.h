#pragma once

#include <cstddef>
#include <iosfwd>
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

// The programming operations' user interface on a terminal or in a script: status texts are
// printed as they come, one per line; message boxes and questions go to the error stream. A
// question is answered Yes only with --yes; otherwise it is asked on a terminal, and answered
// No when nobody can be asked.
class TCliProgrammingUi final : public TProgrammingUi {
  public:
    TCliProgrammingUi(std::ostream& status, std::ostream& err, std::istream& in,
                      TCliUiSettings settings)
        : status_(status), err_(err), in_(in), settings_(settings), messages_(err) {}

    void SetStatus(std::string_view text) override;
    void ShowMessage(std::string_view text) override;
    [[nodiscard]] bool AskYesNo(std::string_view question) override;
    // Yes only with --yes; asked on a terminal; Cancel, which changes nothing, when nobody can
    // be asked.
    [[nodiscard]] TAnswer AskYesNoCancel(std::string_view question) override;
    void Progress(std::size_t done, std::size_t total) override;
    void OperationEnded(TChipOperation operation) override;

  private:
    void EndProgressLine();

    std::ostream& status_;
    std::ostream& err_;
    std::istream& in_;
    TCliUiSettings settings_;
    TStreamMessageBox messages_;
    int shownPercent_ = -1;  // the bar on the status line; -1 when none is drawn
};

}  // namespace vantrel::cli
