#include "programming/programmer.h"

#include <stdexcept>
#include <string>

#include "device/hex_text.h"
#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"

namespace vantrel {

void TProgrammer::On() {
    SetProgramMode(pins_, Device(), true);
}

void TProgrammer::Off() {
    SetProgramMode(pins_, Device(), false);
}

void TProgrammer::Cmd(std::uint8_t command) {
    SendCommand(pins_, command);
}

void TProgrammer::L(std::uint16_t word) {
    LoadData(pins_, word);
}

std::uint16_t TProgrammer::R() {
    return ReadData(pins_);
}

void TProgrammer::D(std::uint32_t ms) {
    pins_.DelayMs(ms);
}

void TProgrammer::PD() {
    // The pin layer's settings are the session's: one owner for both delays.
    pins_.DelayMs(pins_.Settings().ProgDelay);
}

TWaitTime TProgrammer::Timed(TWaitTime standard, TFastWait fast) const {
    if (!Fast()) {
        return standard;
    }
    const TFastFamilyTiming& family =
        fastTimings_.at(static_cast<std::size_t>(TimingFamilyOf(session_.Device.CurrentDevice)));
    const std::uint32_t microseconds = family[fast];
    if (microseconds == 0) {
        // A routine asked for a wait the family's row does not have: the table is wrong, and
        // guessing a time could spoil a chip.
        throw std::logic_error("the fast timing has no time for wait " +
                               std::to_string(static_cast<int>(fast)) + " of the " +
                               std::string(family.Parts));
    }
    return TWaitTime::Microseconds(microseconds);
}

void TProgrammer::Wait(std::uint32_t standardMs, TFastWait fast) {
    if (Fast()) {
        pins_.Wait(Timed({}, fast));
    } else {
        D(standardMs);
    }
}

void TProgrammer::WaitProgDelay(TFastWait fast) {
    if (Fast()) {
        pins_.Wait(Timed({}, fast));
    } else {
        PD();
    }
}

void TProgrammer::Instruction18(std::uint16_t instruction) {
    SendCommand18(pins_, kCommand18CoreInstruction, instruction);
}

void TProgrammer::FailAfterLeaving(const std::string& message) {
    Off();
    OperationOk = false;
    ui_.ShowMessage(message);
}

std::string MessageAddress(std::uint32_t address) {
    return "0x" + HexText(address, 3);
}

}  // namespace vantrel
