#include "service/vantrel_settings.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>

#include "device/device_table.h"
#include "device/fuses.h"
#include "hardware/programmer_presets.h"

namespace vantrel {

namespace {

struct TIntegerKey {
    std::string_view Section;
    std::string_view Name;
    int Default;
    int Min;
    int Max;
};

struct TBooleanKey {
    std::string_view Section;
    std::string_view Name;
    bool Default;
};

struct TFuseKey {
    TFuseBox Box;
    std::string_view Name;
    bool Default;
};

// In reading order.
constexpr std::array<TFuseKey, kFuseBoxCount> kFuseKeys{{
    {TFuseBox::WDT, "WatchDogTimer", false},
    {TFuseBox::PUT, "PowerUpTimer", false},
    {TFuseBox::MCLR, "MCLR", true},
    {TFuseBox::BOR, "BrownOutReset", false},
    {TFuseBox::LVP, "LVProgramming", false},
    {TFuseBox::CPD, "DataProtection", false},
    {TFuseBox::WRT, "FlashWrite", false},
    {TFuseBox::Debug, "Debug", false},
    {TFuseBox::CodeP, "CodeProtection", false},
    {TFuseBox::BG0, "BG0", false},
    {TFuseBox::BG1, "BG1", false},
    {TFuseBox::CCPMX, "CCPMX", false},
    {TFuseBox::IESO, "IESO", false},
    {TFuseBox::FCMEN, "FCMEN", false},
}};

constexpr std::array<TFuseBox, kFuseBoxCount> kFuseWriteOrder{
    TFuseBox::PUT, TFuseBox::WDT,   TFuseBox::CodeP, TFuseBox::MCLR,  TFuseBox::BOR,
    TFuseBox::LVP, TFuseBox::CPD,   TFuseBox::WRT,   TFuseBox::Debug, TFuseBox::BG0,
    TFuseBox::BG1, TFuseBox::CCPMX, TFuseBox::IESO,  TFuseBox::FCMEN};

struct TPinKey {
    TPinAssignment TWiring::*Pin;
    std::string_view Name;
};

// The line of each signal, then - after the delays - its inversion, each in reading order.
constexpr std::array<TPinKey, 7> kLineKeys{{
    {&TWiring::PinVpp, "VppOn"},
    {&TWiring::PinVpp40, "Vpp40On"},
    {&TWiring::PinMCLR, "MCLROn"},
    {&TWiring::PinVdd, "VddOn"},
    {&TWiring::PinClock, "ClkHi"},
    {&TWiring::PinDataOut, "OutHi"},
    {&TWiring::PinDataIn, "DataIn"},
}};
constexpr std::array<TPinKey, 7> kInvertKeys{{
    {&TWiring::PinVdd, "VddInv"},
    {&TWiring::PinVpp, "VppInv"},
    {&TWiring::PinVpp40, "Vpp40Inv"},
    {&TWiring::PinMCLR, "MCLRInv"},
    {&TWiring::PinDataOut, "OutInv"},
    {&TWiring::PinClock, "ClkInv"},
    {&TWiring::PinDataIn, "InInv"},
}};

constexpr int kDefaultOscillatorItem = 1;  // "XT" on the default device
constexpr int kLastItemBeforeCode3 = 2;    // "HS"
constexpr int kMaxIdValue = 0xFF;          // an ID location is kept as its low byte
// Port addresses below 0x100 belong to the system board's own devices (interrupt and DMA
// controllers, timer, keyboard, clock), never to a parallel port; the three registers of a port
// must fit below 0x10000.
constexpr int kMinPortBase = 0x100;
constexpr int kMaxPortBase = 0xFFFF - kControlRegister;

constexpr TIntegerKey kProcessor{kDefaultsSection, kProcessorKey, kDefaultDeviceIndex, 0,
                                 kDeviceCount - 1};
constexpr TIntegerKey kOscillator{kDefaultsSection, "Osc", kDefaultOscillatorItem, 0,
                                  std::numeric_limits<int>::max()};

std::string IdKey(std::size_t index) {
    return "ID" + std::to_string(index + 1);
}

std::string RecentFileKey(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

std::string_view FuseKeyName(TFuseBox box) {
    for (const TFuseKey& key : kFuseKeys) {
        if (key.Box == box) {
            return key.Name;
        }
    }
    return {};
}

// Decimal text with an optional sign, as it fits in 32 bits; nothing for anything else.
std::optional<int> ParseInteger(const TStoredValue& stored) {
    if (!stored.IsText) {
        return std::nullopt;
    }
    std::string_view text = stored.Text;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    int value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

// Reads keys, naming every one whose value is unusable in the result.
class TSettingsReader {
  public:
    TSettingsReader(const TSettingsStore& store, TSettingsReadResult& result)
        : store_(store), result_(result) {}

    [[nodiscard]] std::optional<TStoredValue> Stored(std::string_view section,
                                                     std::string_view name) const {
        return store_.Value(section, name);
    }

    void Invalid(std::string_view name, std::string used) {
        result_.Invalid.push_back({std::string(name), std::move(used)});
    }

    // The stored value when it lies within the key's range; nothing when the key is missing or
    // its value is not a number in range.
    std::optional<int> ValidInteger(const TIntegerKey& key) {
        const std::optional<TStoredValue> stored = Stored(key.Section, key.Name);
        if (!stored) {
            return std::nullopt;
        }
        const std::optional<int> value = ParseInteger(*stored);
        if (!value || *value < key.Min || *value > key.Max) {
            Invalid(key.Name, std::to_string(key.Default));
            return std::nullopt;
        }
        return value;
    }

    int Integer(const TIntegerKey& key) { return ValidInteger(key).value_or(key.Default); }

    // A number outside the range is limited to it, as a spin box limits what is put into it.
    int Limited(const TIntegerKey& key) {
        const std::optional<TStoredValue> stored = Stored(key.Section, key.Name);
        if (!stored) {
            return key.Default;
        }
        const std::optional<int> value = ParseInteger(*stored);
        if (!value) {
            Invalid(key.Name, std::to_string(key.Default));
            return key.Default;
        }
        const int limited = std::clamp(*value, key.Min, key.Max);
        if (limited != *value) {
            Invalid(key.Name, std::to_string(limited));
        }
        return limited;
    }

    // A number, true when it is not zero.
    bool Boolean(const TBooleanKey& key) {
        const std::optional<TStoredValue> stored = Stored(key.Section, key.Name);
        if (!stored) {
            return key.Default;
        }
        const std::optional<int> value = ParseInteger(*stored);
        if (!value) {
            Invalid(key.Name, key.Default ? "1" : "0");
            return key.Default;
        }
        return *value != 0;
    }

    // Text as stored; empty when missing. A value that is not text, or that holds a NUL (which
    // no file name can), is invalid.
    std::string Text(std::string_view section, std::string_view name) {
        const std::optional<TStoredValue> stored = Stored(section, name);
        if (!stored) {
            return {};
        }
        if (!stored->IsText || stored->Text.find('\0') != std::string::npos) {
            Invalid(name, {});
            return {};
        }
        return stored->Text;
    }

    // One of the names of a table (a driver, a timing profile), spelt exactly as the table
    // spells it.
    template <typename TChoice>
    TChoice Named(std::string_view section, std::string_view name, TChoice fallback,
                  std::optional<TChoice> (*find)(std::string_view),
                  std::string_view (*nameOf)(TChoice)) {
        const std::optional<TStoredValue> stored = Stored(section, name);
        if (!stored) {
            return fallback;
        }
        if (stored->IsText) {
            if (const std::optional<TChoice> choice = find(stored->Text)) {
                return *choice;
            }
        }
        Invalid(name, std::string(nameOf(fallback)));
        return fallback;
    }

  private:
    const TSettingsStore& store_;
    TSettingsReadResult& result_;
};

// "Osc" holds the oscillator item, counted as its code counts it on the list without code 3;
// an item past the end of the device's list selects its last item.
int OscillatorItemOfStored(const TPicDevice& device, int stored, std::size_t itemCount) {
    int item = stored;
    if (device.OscillatorSet == kOscillatorSetWithoutCode3 && item > kLastItemBeforeCode3) {
        --item;
    }
    return std::min(item, static_cast<int>(itemCount) - 1);
}

int StoredOfOscillatorItem(const TPicDevice& device, int item) {
    return device.OscillatorSet == kOscillatorSetWithoutCode3 && item > kLastItemBeforeCode3
               ? item + 1
               : item;
}

void ReadDeviceAndFuses(TSettingsReader& read, TVantrelSession& session,
                        TSettingsReadResult& result) {
    const std::optional<int> device = read.ValidInteger(kProcessor);
    result.DeviceStored = device.has_value();
    session.Device.CurrentDevice = static_cast<std::uint8_t>(device.value_or(kProcessor.Default));
    TConfigModel& config = session.Config;
    config.SetConfig();
    config.SelectOscillator(OscillatorItemOfStored(
        session.Device.Device(), read.Integer(kOscillator), config.OscillatorList().size()));
    for (const TFuseKey& fuse : kFuseKeys) {
        config.SetChecked(fuse.Box, read.Boolean({kDefaultsSection, fuse.Name, fuse.Default}));
    }
    TDeviceImage& image = session.Device.Image;
    for (std::size_t i = 0; i < image.IdBuffer.size(); ++i) {
        const std::string name = IdKey(i);
        image.IdBuffer[i] = static_cast<std::uint16_t>(
            read.Integer({kDefaultsSection, name, kBlankIdValue, 0, kMaxIdValue}));
    }
}

void ReadHardware(TSettingsReader& read, THardwareSettings& hardware) {
    const THardwareSettings defaults;
    hardware.PortBase = static_cast<std::uint16_t>(read.Integer(
        {kHardwareSection, kPortAdrKey, defaults.PortBase, kMinPortBase, kMaxPortBase}));
    hardware.PortIndex = static_cast<std::uint16_t>(read.Integer(
        {kHardwareSection, "PortIndex", defaults.PortIndex, 0, static_cast<int>(kNoPortIndex)}));
    // Outputs are driven on the data and control lines, the input is read on a status line.
    for (const TPinKey& key : kLineKeys) {
        const bool input = key.Pin == &TWiring::PinDataIn;
        (hardware.Wiring.*key.Pin).Line = static_cast<std::uint8_t>(read.Integer(
            {kHardwareSection, key.Name, (defaults.Wiring.*key.Pin).Line,
             input ? kFirstInputLine : 0, input ? int(kPortLineCount) - 1 : kLastOutputLine}));
    }
    hardware.ProgDelay = static_cast<std::uint8_t>(read.Limited(
        {kHardwareSection, "DelayTime", defaults.ProgDelay, kMinProgDelay, kMaxProgDelay}));
    hardware.VppDelay = static_cast<std::uint16_t>(
        read.Limited({kHardwareSection, "VPPTime", defaults.VppDelay, kMinVppDelay, kMaxVppDelay}));
    for (const TPinKey& key : kInvertKeys) {
        (hardware.Wiring.*key.Pin).Invert =
            read.Boolean({kHardwareSection, key.Name, (defaults.Wiring.*key.Pin).Invert});
    }
    hardware.ProgrammerType = static_cast<std::uint8_t>(
        read.Integer({kHardwareSection, "ProgType", defaults.ProgrammerType, 0,
                      static_cast<int>(ProgrammerPresets.size()) - 1}));
    hardware.Driver = read.Named(kHardwareSection, kPortDriverKey, defaults.Driver, &FindPortDriver,
                                 &PortDriverName);
    hardware.Simulator.ChipFile = read.Text(kHardwareSection, kSimChipKey);
    hardware.Timing = read.Named(kHardwareSection, kTimingKey, defaults.Timing, &FindTimingProfile,
                                 &TimingProfileName);
}

// Writes keys as text, leaving alone those the caller keeps.
class TSettingsWriter {
  public:
    TSettingsWriter(TSettingsStore& store, std::span<const std::string_view> kept)
        : store_(store), kept_(kept) {}

    void Text(std::string_view section, std::string_view name, std::string_view text) {
        if (std::find(kept_.begin(), kept_.end(), name) == kept_.end()) {
            store_.SetValue(section, name, text);
        }
    }
    void Integer(std::string_view section, std::string_view name, int value) {
        Text(section, name, std::to_string(value));
    }
    void Boolean(std::string_view section, std::string_view name, bool value) {
        Text(section, name, value ? "1" : "0");
    }

  private:
    TSettingsStore& store_;
    std::span<const std::string_view> kept_;
};

void WriteDeviceAndFuses(TSettingsWriter& write, const TVantrelSession& session) {
    const TConfigModel& config = session.Config;
    write.Integer(kDefaultsSection, kOscillator.Name,
                  StoredOfOscillatorItem(session.Device.Device(), config.OscillatorIndex()));
    for (const TFuseBox box : kFuseWriteOrder) {
        write.Boolean(kDefaultsSection, FuseKeyName(box), config.Checked(box));
    }
    const TDeviceImage& image = session.Device.Image;
    for (std::size_t i = 0; i < image.IdBuffer.size(); ++i) {
        write.Integer(kDefaultsSection, IdKey(i), image.IdBuffer[i] & kMaxIdValue);
    }
    write.Integer(kDefaultsSection, kProcessorKey, session.Device.CurrentDevice);
}

void WriteHardware(TSettingsWriter& write, const THardwareSettings& hardware) {
    write.Integer(kHardwareSection, kPortAdrKey, hardware.PortBase);
    write.Integer(kHardwareSection, "PortIndex", hardware.PortIndex);
    for (const TPinKey& key : kLineKeys) {
        write.Integer(kHardwareSection, key.Name, (hardware.Wiring.*key.Pin).Line);
    }
    write.Integer(kHardwareSection, "DelayTime", hardware.ProgDelay);
    write.Integer(kHardwareSection, "VPPTime", hardware.VppDelay);
    for (const TPinKey& key : kInvertKeys) {
        write.Boolean(kHardwareSection, key.Name, (hardware.Wiring.*key.Pin).Invert);
    }
    write.Integer(kHardwareSection, "ProgType", hardware.ProgrammerType);
    write.Text(kHardwareSection, kPortDriverKey, PortDriverName(hardware.Driver));
    write.Text(kHardwareSection, kSimChipKey, hardware.Simulator.ChipFile);
    write.Text(kHardwareSection, kTimingKey, TimingProfileName(hardware.Timing));
}

}  // namespace

TSettingsReadResult ReadIni(const TSettingsStore& store, TVantrelSession& session,
                            TWindowSettings& window) {
    TSettingsReadResult result;
    TSettingsReader read(store, result);
    const TWindowSettings windowDefaults;
    const TProgrammingOptions optionDefaults;
    ReadDeviceAndFuses(read, session, result);
    session.Hardware.PellamOn =
        read.Boolean({kOptionsSection, "PellamOn", THardwareSettings{}.PellamOn});
    window.AutoProg = read.Boolean({kOptionsSection, "AutoProg", windowDefaults.AutoProg});
    ReadHardware(read, session.Hardware);
    session.Options.AutoVerify =
        read.Boolean({kOptionsSection, "AutoVerify", optionDefaults.AutoVerify});
    window.AutoDetect = read.Boolean({kOptionsSection, "AutoDetect", windowDefaults.AutoDetect});
    session.Options.AutoUpdate =
        read.Boolean({kOptionsSection, "AutoUpdate", optionDefaults.AutoUpdate});
    window.Mode640x480 = read.Boolean({kOptionsSection, "640x480", windowDefaults.Mode640x480});
    for (std::size_t i = 0; i < window.RecentFiles.size(); ++i) {
        window.RecentFiles[i] = read.Text(kHardwareSection, RecentFileKey(i));
    }
    session.Config.UpdateConfig();
    return result;
}

void WriteIni(TSettingsStore& store, const TVantrelSession& session, const TWindowSettings& window,
              std::span<const std::string_view> keysNotWritten) {
    TSettingsWriter write(store, keysNotWritten);
    WriteDeviceAndFuses(write, session);
    write.Boolean(kOptionsSection, "PellamOn", session.Hardware.PellamOn);
    write.Boolean(kOptionsSection, "AutoProg", window.AutoProg);
    WriteHardware(write, session.Hardware);
    write.Boolean(kOptionsSection, "AutoVerify", session.Options.AutoVerify);
    write.Boolean(kOptionsSection, "AutoDetect", window.AutoDetect);
    write.Boolean(kOptionsSection, "AutoUpdate", session.Options.AutoUpdate);
    write.Boolean(kOptionsSection, "640x480", window.Mode640x480);
    for (std::size_t i = 0; i < window.RecentFiles.size(); ++i) {
        write.Text(kHardwareSection, RecentFileKey(i), window.RecentFiles[i]);
    }
}

std::string InvalidSettingsText(const TSettingsReadResult& result) {
    if (result.Invalid.empty()) {
        return {};
    }
    std::string text = result.Invalid.size() == 1 ? "The settings file held an invalid value for "
                                                  : "The settings file held invalid values for ";
    for (std::size_t i = 0; i < result.Invalid.size(); ++i) {
        const TInvalidSetting& invalid = result.Invalid[i];
        text += (i == 0 ? "\"" : ", \"") + invalid.Key + "\" (";
        text += invalid.Used.empty() ? "left empty" : invalid.Used + " used";
        text += ")";
    }
    return text;
}

}  // namespace vantrel
