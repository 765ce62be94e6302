// The settings logic both programs share: every key read into the session and the window's
// settings and written back, the first run, the oscillator's stored form, and what becomes of
// values out of range.

#include <gtest/gtest.h>

#include <map>

#include "device/device_selection.h"
#include "service/ini_settings.h"
#include "service/vantrel_settings.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

using TKeyTexts = std::map<std::string, std::string, std::less<>>;

struct TRead {
    std::unique_ptr<TVantrelSession> Session = std::make_unique<TVantrelSession>();
    TWindowSettings Window;
    TSettingsReadResult Result;
};

TRead Read(const TSettingsStore& store) {
    TRead read;
    read.Result = ReadIni(store, *read.Session, read.Window);
    return read;
}

TRead Read(std::string_view iniText) {
    return Read(TIniSettings::Parse(iniText));
}

// Every text value by its full key, as a store holds it after WriteIni.
TKeyTexts Written(const TVantrelSession& session, const TWindowSettings& window,
                  std::span<const std::string_view> kept = {}, TIniSettings store = {}) {
    WriteIni(store, session, window, kept);
    TKeyTexts texts;
    for (const auto& [key, value] : store.Values()) {
        EXPECT_TRUE(value.IsText) << key;
        texts[key] = value.Text;
    }
    return texts;
}

TEST(Settings, AFileQSettingsWroteIsReadIntoTheSessionAndWrittenBackUnchanged) {
    const TIniSettings file =
        TIniSettings::Parse(ReadFile(SourceDir() / "tests/service/data/qsettings-written.ini"));
    const TRead read = Read(file);
    EXPECT_TRUE(read.Result.Invalid.empty()) << InvalidSettingsText(read.Result);
    EXPECT_TRUE(read.Result.DeviceStored);

    const TVantrelSession& session = *read.Session;
    EXPECT_EQ(session.Device.Device().Name, "16F877A");
    EXPECT_EQ(session.Config.OscillatorList().at(session.Config.OscillatorIndex()), "HS");
    for (const TFuseBox box : {TFuseBox::WDT, TFuseBox::PUT, TFuseBox::BOR, TFuseBox::WRT}) {
        EXPECT_TRUE(session.Config.Checked(box)) << FuseCaption(box);
    }
    for (const TFuseBox box : {TFuseBox::MCLR, TFuseBox::CodeP, TFuseBox::LVP, TFuseBox::CPD}) {
        EXPECT_FALSE(session.Config.Checked(box)) << FuseCaption(box);
    }
    EXPECT_EQ(session.Device.Image.IdBuffer,
              (std::array<std::uint16_t, 8>{1, 2, 3, 4, 0x7F, 0x7F, 0x7F, 0x7F}));
    const THardwareSettings& hardware = session.Hardware;
    EXPECT_EQ(hardware.PortBase, 0x278);
    EXPECT_EQ(hardware.PortIndex, 1);
    EXPECT_EQ(hardware.Wiring, ProgrammerPresets.at(kProgrammerP7406).Wiring.value());
    EXPECT_EQ(hardware.ProgrammerType, kProgrammerP7406);
    EXPECT_EQ(hardware.ProgDelay, 15);
    EXPECT_EQ(hardware.VppDelay, 0);
    EXPECT_TRUE(hardware.PellamOn);
    EXPECT_EQ(hardware.Driver, TPortDriver::Simulated);
    EXPECT_EQ(hardware.Simulator.ChipFile, "/home/zo\u00eb/chips/16F877A; spare, #2.chip");
    EXPECT_EQ(hardware.Timing, TTimingProfile::Fast);
    EXPECT_FALSE(session.Options.AutoVerify);
    EXPECT_TRUE(session.Options.AutoUpdate);
    EXPECT_FALSE(read.Window.AutoProg);
    EXPECT_FALSE(read.Window.AutoDetect);
    EXPECT_TRUE(read.Window.Mode640x480);
    EXPECT_EQ(read.Window.RecentFiles.at(1), " /tmp/leading and trailing spaces.hex ");
    EXPECT_EQ(read.Window.RecentFiles.at(4), "");

    TKeyTexts original;
    for (const auto& [key, value] : file.Values()) {
        if (!key.starts_with("Tricky/")) {
            original[key] = value.Text;
        }
    }
    EXPECT_EQ(Written(session, read.Window), original);
}

TEST(Settings, FirstRunTakesEveryDefaultAndWritesThemAsPlainText) {
    const TRead read = Read("");
    EXPECT_TRUE(read.Result.Invalid.empty());
    EXPECT_FALSE(read.Result.DeviceStored);
    const TVantrelSession& session = *read.Session;
    EXPECT_EQ(session.Device.Device().Name, "16F84A");
    EXPECT_EQ(session.Config.OscillatorList().at(session.Config.OscillatorIndex()), "XT");
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        const auto box = static_cast<TFuseBox>(i);
        EXPECT_EQ(session.Config.Checked(box), box == TFuseBox::MCLR) << FuseCaption(box);
    }
    // The clicks and the final refresh leave the words the unchecked boxes and XT stand for.
    EXPECT_EQ(session.Device.Image.ConfigWord1, 0x3FF9);
    EXPECT_EQ(session.Config.ConfigText(), "Config Word = $3FF9");
    EXPECT_TRUE(session.Options.AutoVerify);
    EXPECT_TRUE(read.Window.AutoDetect);
    EXPECT_EQ(session.Hardware.PortBase, 0x378);
    EXPECT_EQ(session.Hardware.Wiring, TWiring{});
    EXPECT_EQ(session.Hardware.ProgrammerType, kProgrammerCustom);
    EXPECT_EQ(session.Hardware.Driver, TPortDriver::Ppdev);
    EXPECT_EQ(read.Window, TWindowSettings{});

    TKeyTexts expected{
        {"Defaults/Processor", "3"},
        {"Defaults/Osc", "1"},
        {"Defaults/WatchDogTimer", "0"},
        {"Defaults/PowerUpTimer", "0"},
        {"Defaults/MCLR", "1"},
        {"Defaults/BrownOutReset", "0"},
        {"Defaults/LVProgramming", "0"},
        {"Defaults/DataProtection", "0"},
        {"Defaults/FlashWrite", "0"},
        {"Defaults/Debug", "0"},
        {"Defaults/CodeProtection", "0"},
        {"Defaults/BG0", "0"},
        {"Defaults/BG1", "0"},
        {"Defaults/CCPMX", "0"},
        {"Defaults/IESO", "0"},
        {"Defaults/FCMEN", "0"},
        {"Options/PellamOn", "0"},
        {"Options/AutoProg", "0"},
        {"Options/AutoVerify", "1"},
        {"Options/AutoDetect", "1"},
        {"Options/AutoUpdate", "0"},
        {"Options/640x480", "0"},
        {"Settings1/PortAdr", "888"},
        {"Settings1/PortIndex", "0"},
        {"Settings1/VppOn", "3"},
        {"Settings1/Vpp40On", "4"},
        {"Settings1/MCLROn", "5"},
        {"Settings1/VddOn", "2"},
        {"Settings1/ClkHi", "1"},
        {"Settings1/OutHi", "0"},
        {"Settings1/DataIn", "15"},
        {"Settings1/DelayTime", "10"},
        {"Settings1/VPPTime", "10"},
        {"Settings1/VddInv", "1"},
        {"Settings1/VppInv", "1"},
        {"Settings1/Vpp40Inv", "1"},
        {"Settings1/MCLRInv", "1"},
        {"Settings1/OutInv", "0"},
        {"Settings1/ClkInv", "0"},
        {"Settings1/InInv", "0"},
        {"Settings1/ProgType", "0"},
        {"Settings1/PortDriver", "ppdev"},
        {"Settings1/SimChip", ""},
        {"Settings1/Timing", "standard"},
    };
    for (int i = 1; i <= 8; ++i) {
        expected["Defaults/ID" + std::to_string(i)] = "127";
    }
    for (int i = 1; i <= 5; ++i) {
        expected["Settings1/File" + std::to_string(i)] = "";
    }
    EXPECT_EQ(Written(session, read.Window), expected);
}

TEST(Settings, OscillatorIsStoredAsItsCodeCountsIt) {
    // 12F675: the list without code 3 stores items from "INTI" on one higher.
    const TRead onFifth = Read(
        "[Defaults]\nProcessor=" + std::to_string(ParseDeviceName("12F675").value()) + "\nOsc=5\n");
    EXPECT_EQ(onFifth.Session->Config.OscillatorIndex(), 4);
    EXPECT_EQ(onFifth.Session->Config.OscillatorList().at(4), "INTC");
    EXPECT_EQ(Written(*onFifth.Session, onFifth.Window).at("Defaults/Osc"), "5");

    const TRead hs = Read("[Defaults]\nProcessor=3\nOsc=2\n");
    EXPECT_EQ(hs.Session->Config.OscillatorList().at(hs.Session->Config.OscillatorIndex()), "HS");
    EXPECT_EQ(Written(*hs.Session, hs.Window).at("Defaults/Osc"), "2");

    // Past the end of the device's list: its last item, without a complaint.
    const TRead past = Read("[Defaults]\nProcessor=3\nOsc=9\n");
    EXPECT_EQ(past.Session->Config.OscillatorList().at(past.Session->Config.OscillatorIndex()),
              "RC");
    EXPECT_TRUE(past.Result.Invalid.empty());
}

TEST(Settings, FuseBoxesAreReadAsClicksAndTheWordsFollowThem) {
    const TRead read = Read("[Defaults]\nWatchDogTimer=1\nCodeProtection=1\nOsc=2\n");
    // 16F84A: code protection and the power-up timer are active low, the watchdog active high.
    EXPECT_EQ(read.Session->Device.Image.ConfigWord1, 0x0004 + 0x0008 + 2);
    EXPECT_EQ(read.Session->Config.ConfigText(), "Config Word = $000E");
}

TEST(Settings, OptionsAndTheWindowsOwnValuesAreRead) {
    const TRead read = Read(
        "[Options]\n640x480=1\nAutoProg=2\nPellamOn=1\n"
        "[Settings1]\nFile1=/a.hex\nFile3=/c.hex\n");
    EXPECT_TRUE(read.Window.Mode640x480);
    EXPECT_TRUE(read.Window.AutoProg) << "any number but 0 is true";
    EXPECT_TRUE(read.Session->Hardware.PellamOn);
    EXPECT_EQ(read.Window.RecentFiles,
              (std::array<std::string, kRecentFileCount>{"/a.hex", "", "/c.hex", "", ""}));
}

struct TInvalidCase {
    std::string Section;
    std::string Key;
    std::string Stored;
    std::string Used;
    std::function<bool(const TRead&)> Holds;
};

TEST(Settings, ValuesOutOfRangeTakeTheDefaultOrTheLimitAndAreNamed) {
    const auto hardware = [](const TRead& read) -> const THardwareSettings& {
        return read.Session->Hardware;
    };
    const auto device = [](const TRead& r) { return r.Session->Device.CurrentDevice; };
    const std::vector<TInvalidCase> cases{
        {"Defaults", "Processor", "50", "3", [&](const TRead& r) { return device(r) == 3; }},
        {"Defaults", "Processor", "-1", "3", [&](const TRead& r) { return device(r) == 3; }},
        {"Defaults", "Processor", "99999999999", "3",
         [&](const TRead& r) { return device(r) == 3; }},
        {"Defaults", "Osc", "-1", "1",
         [](const TRead& r) { return r.Session->Config.OscillatorIndex() == 1; }},
        {"Defaults", "ID1", "256", "127",
         [](const TRead& r) { return r.Session->Device.Image.IdBuffer[0] == 0x7F; }},
        {"Defaults", "WatchDogTimer", "true", "0",
         [](const TRead& r) { return !r.Session->Config.Checked(TFuseBox::WDT); }},
        {"Settings1", "PortAdr", "port", "888",
         [&](const TRead& r) { return hardware(r).PortBase == 0x378; }},
        {"Settings1", "PortAdr", "0", "888",
         [&](const TRead& r) { return hardware(r).PortBase == 0x378; }},
        {"Settings1", "PortAdr", "96", "888",
         [&](const TRead& r) { return hardware(r).PortBase == 0x378; }},
        {"Settings1", "PortAdr", "65536", "888",
         [&](const TRead& r) { return hardware(r).PortBase == 0x378; }},
        {"Settings1", "PortIndex", "4", "0",
         [&](const TRead& r) { return hardware(r).PortIndex == 0; }},
        {"Settings1", "VppOn", "17", "3",
         [&](const TRead& r) { return hardware(r).Wiring.PinVpp.Line == 3; }},
        {"Settings1", "ClkHi", "12", "1",
         [&](const TRead& r) { return hardware(r).Wiring.PinClock.Line == 1; }},
        {"Settings1", "DataIn", "11", "15",
         [&](const TRead& r) { return hardware(r).Wiring.PinDataIn.Line == 15; }},
        {"Settings1", "DataIn", "17", "15",
         [&](const TRead& r) { return hardware(r).Wiring.PinDataIn.Line == 15; }},
        {"Settings1", "DelayTime", "3", "5",
         [&](const TRead& r) { return hardware(r).ProgDelay == 5; }},
        {"Settings1", "DelayTime", "300", "20",
         [&](const TRead& r) { return hardware(r).ProgDelay == 20; }},
        {"Settings1", "DelayTime", "ten", "10",
         [&](const TRead& r) { return hardware(r).ProgDelay == 10; }},
        {"Settings1", "VPPTime", "-4", "0",
         [&](const TRead& r) { return hardware(r).VppDelay == 0; }},
        {"Settings1", "VPPTime", "21", "20",
         [&](const TRead& r) { return hardware(r).VppDelay == 20; }},
        {"Settings1", "ProgType", "6", "0",
         [&](const TRead& r) { return hardware(r).ProgrammerType == kProgrammerCustom; }},
        {"Settings1", "PortDriver", "parport", "ppdev",
         [&](const TRead& r) { return hardware(r).Driver == TPortDriver::Ppdev; }},
        {"Settings1", "PortDriver", "", "ppdev",
         [&](const TRead& r) { return hardware(r).Driver == TPortDriver::Ppdev; }},
        {"Settings1", "Timing", "Fast", "standard",
         [&](const TRead& r) { return hardware(r).Timing == TTimingProfile::Standard; }},
        {"Settings1", "Timing", "", "standard",
         [&](const TRead& r) { return hardware(r).Timing == TTimingProfile::Standard; }},
        {"Settings1", "SimChip", "/tmp/a\\0/etc/passwd", "",
         [&](const TRead& r) { return hardware(r).Simulator.ChipFile.empty(); }},
        {"Settings1", "File1", "/tmp/a,b.hex", "",
         [](const TRead& r) { return r.Window.RecentFiles[0].empty(); }},
    };
    for (const TInvalidCase& c : cases) {
        const TRead read = Read("[" + c.Section + "]\n" + c.Key + "=" + c.Stored + "\n");
        const std::string context = c.Key + "=" + c.Stored;
        EXPECT_TRUE(c.Holds(read)) << context;
        EXPECT_EQ(read.Result.Invalid, (std::vector<TInvalidSetting>{{c.Key, c.Used}})) << context;
    }
}

TEST(Settings, EdgesOfTheRangesAreValid) {
    const TRead read = Read(
        "[Defaults]\nProcessor=49\nID8=0\n[Settings1]\nPortIndex=3\nVppOn=11\nDataIn=12\n"
        "InInv=-1\nDelayTime=5\nVPPTime=0\nProgType=5\nPortAdr=+256\n");
    EXPECT_TRUE(read.Result.Invalid.empty()) << InvalidSettingsText(read.Result);
    EXPECT_EQ(read.Session->Device.CurrentDevice, 49);
    EXPECT_EQ(read.Session->Hardware.PortIndex, kNoPortIndex);
    EXPECT_EQ(read.Session->Hardware.Wiring.PinVpp.Line, kLastOutputLine);
    EXPECT_EQ(read.Session->Hardware.Wiring.PinDataIn, (TPinAssignment{kFirstInputLine, true}));
    EXPECT_EQ(read.Session->Hardware.ProgrammerType, kProgrammerFerrow);
    EXPECT_EQ(read.Session->Hardware.PortBase, 0x100);
}

TEST(Settings, TheStatusLineNamesEveryInvalidKeyOnce) {
    EXPECT_EQ(InvalidSettingsText({}), "");
    const TRead one = Read("[Settings1]\nDelayTime=3\n");
    EXPECT_EQ(InvalidSettingsText(one.Result),
              "The settings file held an invalid value for \"DelayTime\" (5 used)");
    const TRead several = Read("[Defaults]\nProcessor=60\n[Settings1]\nFile2=a,b\nVddOn=40\n");
    EXPECT_EQ(InvalidSettingsText(several.Result),
              "The settings file held invalid values for \"Processor\" (3 used), \"VddOn\" (2 "
              "used), \"File2\" (left empty)");
}

TEST(Settings, KeysHeldByTheCommandLineKeepTheirStoredValues) {
    const TIniSettings file = TIniSettings::Parse(
        "[Settings1]\nPortDriver=ppdev\nSimChip=/"
        "kept.chip\nPortAdr=632\n[Defaults]\nProcessor=5\n");
    TRead read = Read(file);
    read.Session->Hardware.Driver = TPortDriver::Simulated;
    read.Session->Hardware.Simulator.ChipFile = "/run-only.chip";
    read.Session->Hardware.PortBase = 0x3BC;
    read.Session->Device.CurrentDevice = 28;
    const std::array<std::string_view, 3> kept{kPortDriverKey, kSimChipKey, kPortAdrKey};
    const TKeyTexts written = Written(*read.Session, read.Window, kept, file);
    EXPECT_EQ(written.at("Settings1/PortDriver"), "ppdev");
    EXPECT_EQ(written.at("Settings1/SimChip"), "/kept.chip");
    EXPECT_EQ(written.at("Settings1/PortAdr"), "632");
    EXPECT_EQ(written.at("Defaults/Processor"), "28") << "the device is the user's choice";
}

}  // namespace
}  // namespace vantrel::test
