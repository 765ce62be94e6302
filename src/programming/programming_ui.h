#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "device/message_box.h"

namespace vantrel {

// The user-level chip operations, so the hooks know which one starts or ends.
enum class TChipOperation { Write, Read, Verify, Erase };

// "Write", "Read", "Verify", "Erase": the operation as its status texts name it.
[[nodiscard]] constexpr std::string_view ChipOperationName(TChipOperation operation) {
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

// The answer to a question with Yes, No and Cancel buttons; closing the box is Cancel.
enum class TAnswer { Yes, No, Cancel };

// How the programming operations talk to the user. The window shows texts in its status panel
// (repainted at once, since an operation holds the thread), modal message boxes and warning
// questions; the command line prints them. The hooks let the window do its own part of an
// operation (hints, timers, grids, pages); the command line leaves most of them empty.
class TProgrammingUi : public TMessageBox {
  public:
    // The status panel's text, shown at once.
    virtual void SetStatus(std::string_view text) = 0;
    // A warning question with Yes and No buttons; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(std::string_view question) = 0;
    // A confirmation with Yes, No and Cancel buttons, as the save query asks it.
    [[nodiscard]] virtual TAnswer AskYesNoCancel(std::string_view question) = 0;

    // A warning question with Yes and No buttons: go on with a chip of another device than the
    // one chosen? The window asks it like any other question. The command line answers Yes only
    // when the user said so beforehand for this very case, never for a general "yes to all":
    // writing a part with another's image ruins what the part holds.
    [[nodiscard]] virtual bool AskOtherDevice(std::string_view question) {
        return AskYesNo(question);
    }
    // A question with an input field, for the calibration word to write back when the chip's
    // own cannot be kept: the value typed, or nothing when the user cancels or nobody can be
    // asked. The operation checks the value itself.
    [[nodiscard]] virtual std::optional<std::uint16_t> AskCalibrationWord(
        std::string_view question) {
        static_cast<void>(question);
        return std::nullopt;
    }

    // Progress through a long pass: `done` of `total` steps. Called often; may do nothing.
    virtual void Progress(std::size_t done, std::size_t total) {
        static_cast<void>(done);
        static_cast<void>(total);
    }
    // An operation starts: the window suspends hint display and, for a Write, its file poll.
    virtual void OperationStarted(TChipOperation operation) { static_cast<void>(operation); }
    // An operation has ended, however it ended: the window starts its status timer (and, after
    // a Write with "Auto-Update", its file poll again).
    virtual void OperationEnded(TChipOperation operation) { static_cast<void>(operation); }
    // The image changed under the grids (calibration word, read): the window refreshes them.
    virtual void BufferChanged() {}
    // A Read has filled the image: the window resets its disassembly, switches to the buffer
    // page, regenerates the HEX text, forgets the loaded file's time stamp and disables Reload.
    virtual void ChipRead() {}
    // Erase clears the file and image as the New command does. The window may ask to save
    // first; returns false when the user cancels that (the erase goes on with the image as is).
    [[nodiscard]] virtual bool NewImage() { return true; }
};

}  // namespace vantrel
