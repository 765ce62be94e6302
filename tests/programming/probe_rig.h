#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "hardware/millisecond_clock.h"
#include "hardware/pin_layer.h"
#include "hardware/port_trace.h"
#include "programming/programmer.h"
#include "serial_probe.h"
#include "sim/simulated_board.h"

namespace vantrel::test {

// Stands in for the window: records every status text, message and question, and answers the
// questions from a script. It also notes whether the chip was still powered when a message or
// question appeared, since a dialog may stay open for minutes.
class TScriptedUi final : public TProgrammingUi {
  public:
    // `powered` tells whether the chip has any voltage on it now.
    explicit TScriptedUi(std::function<bool()> powered) : powered_(std::move(powered)) {}

    void SetStatus(std::string_view text) override { Statuses.emplace_back(text); }
    void ShowMessage(std::string_view text) override;
    [[nodiscard]] bool AskYesNo(std::string_view question) override;
    [[nodiscard]] TAnswer AskYesNoCancel(std::string_view question) override {
        return AskYesNo(question) ? TAnswer::Yes : TAnswer::No;
    }
    void BufferChanged() override { ++BufferChanges; }

    std::deque<bool> Answers;
    std::vector<std::string> Statuses;
    std::vector<std::string> Messages;
    std::vector<std::string> Questions;
    int BufferChanges = 0;
    int ShownWhilePowered = 0;

  private:
    std::function<bool()> powered_;
};

// One device's routines on the probe, with a blank image. Vpp Delay is 0, so the transcript
// shows only the waits the routines choose themselves.
struct TProbeRig {
    explicit TProbeRig(std::string_view deviceName);
    TProbeRig(const TProbeRig&) = delete;
    TProbeRig& operator=(const TProbeRig&) = delete;

    [[nodiscard]] const TPicDevice& Device() const { return Session.Device.Device(); }
    [[nodiscard]] TDeviceImage& Image() { return Session.Device.Image; }
    [[nodiscard]] const std::vector<std::string>& Transcript() const { return Probe.Transcript; }
    // How many tokens of the transcript equal `token`.
    [[nodiscard]] std::size_t Count(std::string_view token) const;

    TVantrelSession Session;
    TVirtualClock Clock{0, 100};
    TSerialProbe Probe;
    TDelaySink Sink{Probe};
    std::ostream DelayStream{&Sink};
    TPortTrace Trace{DelayStream};
    TPinLayer Pins{Session.Hardware, Probe, Clock, &Trace};
    TScriptedUi Ui{[this] { return Probe.Powered(); }};
    TProgrammer Programmer{Session, Pins, Ui};
};

// One device's routines against the simulated board, with a factory-fresh chip of that device
// in the socket and a blank image. The program's wiring is the default, as is the board's.
struct TBoardRig {
    explicit TBoardRig(std::string_view deviceName);
    TBoardRig(const TBoardRig&) = delete;
    TBoardRig& operator=(const TBoardRig&) = delete;

    [[nodiscard]] const TPicDevice& Device() const { return Session.Device.Device(); }
    [[nodiscard]] TDeviceImage& Image() { return Session.Device.Image; }
    [[nodiscard]] TSimChipState& Chip() { return Board.ChipState(); }
    [[nodiscard]] const TSimViolationLog& Violations() { return Board.Violations(); }

    TVantrelSession Session;
    TVirtualClock Clock;
    TSimulatedBoard Board{Clock};
    TPinLayer Pins{Session.Hardware, Board, Clock};
    TScriptedUi Ui{[this] {
        const TSocketLevels socket = Board.Socket();
        return socket.Vdd || socket.Vpp || socket.Vpp40;
    }};
    TProgrammer Programmer{Session, Pins, Ui};
};

// The frames of SetTablePointer(address) as the probe shows them.
[[nodiscard]] std::vector<std::string> TablePointerTokens(std::uint32_t address);

// The first or last `count` tokens (fewer when the transcript is shorter).
[[nodiscard]] std::vector<std::string> Head(const std::vector<std::string>& transcript,
                                            std::size_t count);
[[nodiscard]] std::vector<std::string> Tail(const std::vector<std::string>& transcript,
                                            std::size_t count);

// Joins token lists, for expected transcripts built from pieces.
[[nodiscard]] std::vector<std::string> Tokens(
    std::initializer_list<std::vector<std::string>> parts);

}  // namespace vantrel::test
