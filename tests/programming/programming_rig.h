#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "programming/programmer.h"
#include "programming/vantrel_session.h"
#include "support/recording_port.h"
#include "support/recording_ui.h"

namespace vantrel::test {

// The protocol as a test expects it, in the routines' own notation: "on", "off", "Cmd 2",
// "L 3FFF", "R", "D 10". "on" and "off" stand for the whole power sequence with its settle
// times, on either programming voltage line.
class TProtocolScript {
  public:
    TProtocolScript& On();
    TProtocolScript& Off();
    TProtocolScript& Cmd(int command);
    TProtocolScript& L(std::uint16_t word);
    TProtocolScript& R();
    TProtocolScript& D(std::uint32_t ms);
    // Cmd 6, `times` times.
    TProtocolScript& Inc(int times = 1);
    // Cmd `command` followed by R: one word read.
    TProtocolScript& Read(int command = 4);
    // The programming-mode period of its own in which an operation first reads the device ID of
    // a 14-bit part: on, Load Configuration, six increments to 0x2006, the read, off.
    TProtocolScript& ReadDeviceId();

    [[nodiscard]] const std::vector<std::string>& Tokens() const { return tokens_; }

  private:
    std::vector<std::string> tokens_;
};

// Where the recorded accesses first differ from `expected`, read back in the same notation
// like a logic analyser on the board's lines (power lines, clock, data out, delays); empty when
// they match exactly, nothing missing and nothing extra.
[[nodiscard]] std::string ProtocolDifference(const TPinRig& rig, const TProtocolScript& expected);

// Answers the host's reads like a chip: read number k (from 0) returns `word(k)`, 14 bits per
// read frame, on the data-in line of the rig's wiring.
void AnswerReads(TPinRig& rig, std::function<std::uint16_t(std::size_t)> word);

// Whether Vdd, Vpp or Vpp40 is switched on now.
[[nodiscard]] bool AnySupplyOn(const TPinRig& rig);

// A programmer over a recording port with a device selected, delays that tell the settle time
// (2 ms) from the programming delay (7 ms), and a scripted user interface. The chip behind the
// port answers the operations' first read, the device ID, as a chip of that device of revision
// kRigRevision does; every later read is what `Answer` says, all ones until then.
struct TProgrammerRig {
    explicit TProgrammerRig(std::string_view device);
    TProgrammerRig(const TProgrammerRig&) = delete;
    TProgrammerRig& operator=(const TProgrammerRig&) = delete;

    [[nodiscard]] TDeviceImage& Image() { return Session.Device.Image; }
    [[nodiscard]] const TPicDevice& Device() const { return Session.Device.Device(); }
    [[nodiscard]] std::string Difference(const TProtocolScript& expected) const {
        return ProtocolDifference(Pins, expected);
    }
    // Read k after the device ID returns `word(k)`.
    void Answer(std::function<std::uint16_t(std::size_t)> word);
    // The device ID word the chip answers with; nothing for parts without one.
    [[nodiscard]] std::optional<std::uint16_t> DeviceIdWord() const;
    // The status an operation shows once the chip has answered: "16F84A revision 5 answers".
    [[nodiscard]] std::string AnswersStatus() const;

    TPinRig Pins;
    TVantrelSession Session;
    TRecordingUi Ui;
    TProgrammer Programmer{Session, Pins.Pins, Ui};
};

inline constexpr std::uint16_t kRigVppDelay = 2;
inline constexpr std::uint8_t kRigRevision = 5;
inline constexpr std::uint8_t kRigProgDelay = 7;

}  // namespace vantrel::test
