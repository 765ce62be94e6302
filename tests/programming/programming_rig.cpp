#include "programming/programming_rig.h"

#include <algorithm>
#include <array>
#include <memory>
#include <sstream>

#include "device/device_id.h"
#include "device/device_selection.h"
#include "device/hex_text.h"
#include "hardware/port_lines.h"

namespace vantrel::test {

TProtocolScript& TProtocolScript::On() {
    tokens_.emplace_back("on");
    return *this;
}

TProtocolScript& TProtocolScript::Off() {
    tokens_.emplace_back("off");
    return *this;
}

TProtocolScript& TProtocolScript::Cmd(int command) {
    tokens_.push_back("Cmd " + std::to_string(command));
    return *this;
}

TProtocolScript& TProtocolScript::L(std::uint16_t word) {
    tokens_.push_back("L " + HexWordText(word & 0x3FFF));
    return *this;
}

TProtocolScript& TProtocolScript::R() {
    tokens_.emplace_back("R");
    return *this;
}

TProtocolScript& TProtocolScript::D(std::uint32_t ms) {
    tokens_.push_back("D " + std::to_string(ms));
    return *this;
}

TProtocolScript& TProtocolScript::Inc(int times) {
    for (int i = 0; i < times; ++i) {
        Cmd(6);
    }
    return *this;
}

TProtocolScript& TProtocolScript::Read(int command) {
    return Cmd(command).R();
}

TProtocolScript& TProtocolScript::ReadDeviceId() {
    constexpr int kIncrementsToDeviceId = 6;
    return On().Cmd(0).L(0x3FFF).Inc(kIncrementsToDeviceId).Read(4).Off();
}

namespace {

constexpr std::size_t kCommandBits = 6;
constexpr std::size_t kFrameBits = 16;

struct TEvent {
    enum class TKind { Bit, Delay, Power } Kind;
    bool Bit = false;
    std::uint32_t Ms = 0;
    std::string Power;  // "Vdd+", "Vpp-", "Vpp40+", ...
};

bool Level(const std::array<std::uint8_t, 3>& registers, const TPinAssignment& pin) {
    const TPortLine& line = PortLines.at(pin.Line);
    return ((registers[line.RegisterOffset] & line.BitMask) != 0) != pin.Invert;
}

// The board's lines as a logic analyser sees them, from the trace.
std::vector<TEvent> Events(const TPinRig& rig) {
    const TWiring& wiring = rig.Settings.Wiring;
    std::array<std::uint8_t, 3> registers = rig.Port.RecordStart;
    struct TSupply {
        const TPinAssignment* Pin;
        std::string_view Name;
        bool On;
    };
    std::array<TSupply, 3> supplies{{{&wiring.PinVdd, "Vdd", false},
                                     {&wiring.PinVpp, "Vpp", false},
                                     {&wiring.PinVpp40, "Vpp40", false}}};
    for (TSupply& supply : supplies) {
        supply.On = Level(registers, *supply.Pin);
    }
    bool clock = Level(registers, wiring.PinClock);
    std::vector<TEvent> events;
    for (const std::string& line : rig.TraceLines()) {
        if (line[0] == 'D') {
            events.push_back({TEvent::TKind::Delay,
                              false,
                              static_cast<std::uint32_t>(std::stoul(line.substr(2))),
                              {}});
            continue;
        }
        if (line[0] != 'W') {
            continue;
        }
        const auto address = static_cast<std::uint16_t>(std::stoul(line.substr(2, 3), nullptr, 16));
        registers.at(address - rig.Port.Base()) =
            static_cast<std::uint8_t>(std::stoul(line.substr(6), nullptr, 16));
        for (TSupply& supply : supplies) {
            const bool on = Level(registers, *supply.Pin);
            if (on != supply.On) {
                events.push_back(
                    {TEvent::TKind::Power, false, 0, std::string(supply.Name) + (on ? "+" : "-")});
                supply.On = on;
            }
        }
        const bool now = Level(registers, wiring.PinClock);
        if (clock && !now) {
            events.push_back({TEvent::TKind::Bit, Level(registers, wiring.PinDataOut), 0, {}});
        }
        clock = now;
    }
    return events;
}

std::string Describe(const TEvent& event) {
    switch (event.Kind) {
        case TEvent::TKind::Bit:
            return event.Bit ? "bit 1" : "bit 0";
        case TEvent::TKind::Delay:
            return "D " + std::to_string(event.Ms);
        case TEvent::TKind::Power:
            break;
    }
    return event.Power;
}

// Reads the recorded events with the framing of the expected tokens, so each expected token is
// matched by one recorded token that says what was really there.
class TDecoder {
  public:
    TDecoder(std::vector<TEvent> events, std::uint32_t settle)
        : events_(std::move(events)), settle_(settle) {}

    std::vector<std::string> Decode(const std::vector<std::string>& expected) {
        std::vector<std::string> recorded;
        for (const std::string& token : expected) {
            if (pos_ >= events_.size()) {
                break;
            }
            recorded.push_back(Next(token));
        }
        while (pos_ < events_.size()) {
            recorded.push_back(Describe(events_[pos_++]));
        }
        return recorded;
    }

  private:
    std::string Next(const std::string& token) {
        if (token == "on" || token == "off") {
            return Power(token == "on");
        }
        if (token.rfind("Cmd ", 0) == 0) {
            return Bits(kCommandBits,
                        [](std::uint32_t bits) { return "Cmd " + std::to_string(bits); });
        }
        if (token.rfind("L ", 0) == 0 || token == "R") {
            return Bits(kFrameBits, [](std::uint32_t bits) {
                if (bits == 0xFFFF) {
                    return std::string("R");
                }
                if ((bits & 0x8001) == 0) {
                    return "L " + HexWordText((bits >> 1) & 0x3FFF);
                }
                return "frame " + HexWordText(bits);
            });
        }
        return Describe(events_[pos_++]);
    }

    std::string Power(bool on) {
        const auto is = [&](std::size_t i, std::string_view a, std::string_view b) {
            return pos_ + i < events_.size() && events_[pos_ + i].Kind == TEvent::TKind::Power &&
                   (events_[pos_ + i].Power == a || events_[pos_ + i].Power == b);
        };
        const auto settle = [&](std::size_t i) {
            return pos_ + i < events_.size() && events_[pos_ + i].Kind == TEvent::TKind::Delay &&
                   events_[pos_ + i].Ms == settle_;
        };
        const bool match =
            on ? is(0, "Vdd+", "Vdd+") && settle(1) && is(2, "Vpp+", "Vpp40+") && settle(3)
               : is(0, "Vpp-", "Vpp40-") && settle(1) && is(2, "Vdd-", "Vdd-") && settle(3);
        if (!match) {
            return Describe(events_[pos_++]);
        }
        pos_ += 4;
        return on ? "on" : "off";
    }

    template <typename Render>
    std::string Bits(std::size_t count, Render render) {
        std::uint32_t bits = 0;
        std::size_t n = 0;
        while (n < count && pos_ < events_.size() && events_[pos_].Kind == TEvent::TKind::Bit) {
            bits |= (events_[pos_].Bit ? 1u : 0u) << n;
            ++n;
            ++pos_;
        }
        if (n == count) {
            return render(bits);
        }
        if (n == 0) {
            return Describe(events_[pos_++]);
        }
        return std::to_string(n) + " bits " + HexWordText(bits);
    }

    std::vector<TEvent> events_;
    std::size_t pos_ = 0;
    std::uint32_t settle_;
};

std::string Around(const std::vector<std::string>& tokens, std::size_t at) {
    std::string text;
    const std::size_t from = at > 4 ? at - 4 : 0;
    for (std::size_t i = from; i < std::min(tokens.size(), at + 5); ++i) {
        text += (i == at ? "[" : "") + tokens[i] + (i == at ? "]" : "") + ", ";
    }
    return text;
}

}  // namespace

std::string ProtocolDifference(const TPinRig& rig, const TProtocolScript& expected) {
    const std::vector<std::string>& want = expected.Tokens();
    const std::vector<std::string> got = TDecoder(Events(rig), rig.Settings.VppDelay).Decode(want);
    for (std::size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "(nothing)";
        const std::string g = i < got.size() ? got[i] : "(nothing)";
        if (w != g) {
            std::ostringstream text;
            text << "token " << i << " of " << want.size() << " expected (" << got.size()
                 << " recorded): expected '" << w << "', recorded '" << g
                 << "'\n  expected: " << Around(want, i) << "\n  recorded: " << Around(got, i);
            return text.str();
        }
    }
    return {};
}

void AnswerReads(TPinRig& rig, std::function<std::uint16_t(std::size_t)> word) {
    constexpr std::size_t kReadBits = 14;
    const std::uint8_t mask = PortLines.at(rig.Settings.Wiring.PinDataIn.Line).BitMask;
    const bool invert = rig.Settings.Wiring.PinDataIn.Invert;
    auto samples = std::make_shared<std::size_t>(0);
    rig.Port.Status = [=](const TRecordingPort&) -> std::uint8_t {
        const std::size_t sample = (*samples)++;
        const bool bit = ((word(sample / kReadBits) >> (sample % kReadBits)) & 1u) != 0;
        return bit != invert ? mask : 0;
    };
}

bool AnySupplyOn(const TPinRig& rig) {
    const TWiring& wiring = rig.Settings.Wiring;
    return Level(rig.Port.Registers, wiring.PinVdd) || Level(rig.Port.Registers, wiring.PinVpp) ||
           Level(rig.Port.Registers, wiring.PinVpp40);
}

TProgrammerRig::TProgrammerRig(std::string_view device) {
    Session.Config.ChangeDevice(FindDeviceByName(device).value());
    Pins.Settings.VppDelay = kRigVppDelay;
    Pins.Settings.ProgDelay = kRigProgDelay;
    Session.Hardware = Pins.Settings;
    // As the window's start-up leaves the board.
    Pins.Pins.SetVpp(false);
    Pins.Pins.SetVpp40(false);
    Pins.Pins.SetMCLR(false);
    Pins.Pins.SetVdd(false);
    Pins.ClearRecord();
    Answer([](std::size_t) { return std::uint16_t{0x3FFF}; });
}

void TProgrammerRig::Answer(std::function<std::uint16_t(std::size_t)> word) {
    const std::optional<std::uint16_t> id = DeviceIdWord();
    AnswerReads(Pins, [id, word = std::move(word)](std::size_t k) {
        if (!id) {
            return word(k);
        }
        return k == 0 ? *id : word(k - 1);
    });
}

std::optional<std::uint16_t> TProgrammerRig::DeviceIdWord() const {
    const auto facts = DeviceIdFacts(Device());
    if (!facts) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(facts->Id | kRigRevision);
}

std::string TProgrammerRig::AnswersStatus() const {
    return std::string(Device().Name) + " revision " + std::to_string(kRigRevision) + " answers";
}

}  // namespace vantrel::test
