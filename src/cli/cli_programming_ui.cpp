#include "cli/cli_programming_ui.h"

#include <istream>
#include <ostream>
#include <string>

#include "device/hex_text.h"

namespace vantrel::cli {

namespace {

constexpr int kBarWidth = 40;
constexpr int kFullPercent = 100;

bool IsYes(const std::string& answer) {
    const auto first = answer.find_first_not_of(" \t");
    return first != std::string::npos && (answer[first] == 'y' || answer[first] == 'Y');
}

}  // namespace

void TCliProgrammingUi::SetStatus(std::string_view text) {
    EndProgressLine();
    status_ << text << "\n" << std::flush;
}

void TCliProgrammingUi::ShowMessage(std::string_view text) {
    EndProgressLine();
    messages_.ShowMessage(text);
}

bool TCliProgrammingUi::AskYesNo(std::string_view question) {
    EndProgressLine();
    err_ << MessageLines(question);
    if (settings_.AssumeYes) {
        err_ << " yes (--yes)\n";
        return true;
    }
    if (!settings_.Interactive) {
        err_ << " no (--yes answers Yes)\n";
        return false;
    }
    err_ << " [y/N] " << std::flush;
    std::string answer;
    return std::getline(in_, answer) && IsYes(answer);
}

TAnswer TCliProgrammingUi::AskYesNoCancel(std::string_view question) {
    EndProgressLine();
    err_ << MessageLines(question);
    if (settings_.AssumeYes) {
        err_ << " yes (--yes)\n";
        return TAnswer::Yes;
    }
    if (!settings_.Interactive) {
        err_ << " cancel (--yes answers Yes)\n";
        return TAnswer::Cancel;
    }
    err_ << " [y/n/C] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
        return TAnswer::Cancel;
    }
    const auto first = answer.find_first_not_of(" \t");
    const char letter = first == std::string::npos ? 'c' : answer[first];
    if (letter == 'y' || letter == 'Y') {
        return TAnswer::Yes;
    }
    return letter == 'n' || letter == 'N' ? TAnswer::No : TAnswer::Cancel;
}

bool TCliProgrammingUi::AskOtherDevice(std::string_view question) {
    EndProgressLine();
    err_ << MessageLines(question);
    if (chipAnswers_.ForceDevice) {
        err_ << " yes (--force-device)\n";
        return true;
    }
    err_ << " no (--force-device answers Yes)\n";
    return false;
}

std::optional<std::uint16_t> TCliProgrammingUi::AskCalibrationWord(std::string_view question) {
    EndProgressLine();
    err_ << MessageLines(question);
    if (chipAnswers_.Calibration) {
        err_ << " 0x" << HexWordText(*chipAnswers_.Calibration) << " (--cal)\n";
        return chipAnswers_.Calibration;
    }
    err_ << " none (--cal 0x34NN gives one)\n";
    return std::nullopt;
}

// Redrawn only when the percentage moves, so a pass of thousands of words writes a few hundred
// bytes to the terminal.
void TCliProgrammingUi::Progress(std::size_t done, std::size_t total) {
    if (!settings_.ProgressOnStatus || total == 0) {
        return;
    }
    const int percent = static_cast<int>(done * kFullPercent / total);
    if (percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / kFullPercent;
    status_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent
            << "%" << std::flush;
}

void TCliProgrammingUi::OperationEnded(TChipOperation) {
    EndProgressLine();
}

void TCliProgrammingUi::EndProgressLine() {
    if (shownPercent_ < 0) {
        return;
    }
    // Wipe the bar so the next line starts clean.
    status_ << "\r" << std::string(kBarWidth + 8, ' ') << "\r" << std::flush;
    shownPercent_ = -1;
}

}  // namespace vantrel::cli
