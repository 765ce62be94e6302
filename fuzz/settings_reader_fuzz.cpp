// libFuzzer target for the settings file reader and the settings logic. Whatever the file holds,
// reading it must neither crash nor read outside its input, every text value must come out as
// valid UTF-8, the session it is read into must hold only values the program can use (a device of
// the table, lines that exist and suit their signal, delays in their ranges, a known preset, port
// entry, driver and timing profile), and what is written back from that session must read back
// the same, with nothing invalid in it.
//
// Build and run (clang only; the target is not part of the normal build):
//   cmake --preset fuzz && cmake --build --preset fuzz --target settings_reader_fuzz
//   build-fuzz/fuzz/settings_reader_fuzz -dict=fuzz/settings.dict -max_total_time=120 \
//       build-fuzz/settings-corpus tests/service/data
// The first directory collects new inputs; tests/service/data holds a file QSettings wrote.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "service/ini_settings.h"
#include "service/utf16_text.h"
#include "service/vantrel_settings.h"

namespace {

using namespace vantrel;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsUtf8(const std::string& text) {
    return EncodeUtf8(DecodeUtf8(text)) == text;
}

void CheckUsable(const TVantrelSession& session) {
    Require(session.Device.CurrentDevice < kDeviceCount);
    const TConfigModel& config = session.Config;
    Require(config.OscillatorIndex() >= 0 &&
            static_cast<std::size_t>(config.OscillatorIndex()) < config.OscillatorList().size());
    for (const std::uint16_t id : session.Device.Image.IdBuffer) {
        Require(id <= 0xFF);
    }
    const THardwareSettings& hardware = session.Hardware;
    const TWiring& wiring = hardware.Wiring;
    for (const TPinAssignment& output : {wiring.PinVdd, wiring.PinVpp, wiring.PinVpp40,
                                         wiring.PinMCLR, wiring.PinClock, wiring.PinDataOut}) {
        Require(output.Line <= kLastOutputLine);
    }
    Require(wiring.PinDataIn.Line >= kFirstInputLine && wiring.PinDataIn.Line < kPortLineCount);
    Require(hardware.ProgDelay >= kMinProgDelay && hardware.ProgDelay <= kMaxProgDelay);
    Require(hardware.VppDelay <= kMaxVppDelay);
    Require(hardware.ProgrammerType < ProgrammerPresets.size());
    Require(hardware.PortIndex <= kNoPortIndex);
    Require(hardware.PortBase != 0);
    Require(!PortDriverName(hardware.Driver).empty());
    Require(!TimingProfileName(hardware.Timing).empty());
    Require(hardware.Simulator.ChipFile.find('\0') == std::string::npos);
}

TIniSettings WrittenFrom(const TVantrelSession& session, const TWindowSettings& window) {
    TIniSettings store;
    WriteIni(store, session, window);
    return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TIniSettings file = TIniSettings::Parse(text);
    for (const auto& [key, value] : file.Values()) {
        Require(IsUtf8(key) && IsUtf8(value.Text));
        Require(value.IsText || value.Text.empty());
    }

    const auto session = std::make_unique<TVantrelSession>();
    TWindowSettings window;
    const TSettingsReadResult first = ReadIni(file, *session, window);
    CheckUsable(*session);
    Require(InvalidSettingsText(first).empty() == first.Invalid.empty());

    const TIniSettings written = WrittenFrom(*session, window);
    const auto again = std::make_unique<TVantrelSession>();
    TWindowSettings windowAgain;
    const TSettingsReadResult second = ReadIni(written, *again, windowAgain);
    Require(second.Invalid.empty());
    Require(windowAgain == window);
    Require(WrittenFrom(*again, windowAgain).Values() == written.Values());
    return 0;
}
