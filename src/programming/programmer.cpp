#include "programming/programmer.h"

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
