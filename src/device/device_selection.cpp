#include "device/device_selection.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

const std::array<std::string_view, kDeviceCount> ProcessorTypeItems{
    "PIC12C508",  "PIC12C509",  "PIC12C671",  "PIC12C672",  "PIC12F629", "PIC12F675",  "PIC16C505",
    "PIC16C621A", "PIC16C622A", "PIC16C745",  "PIC16C765",  "PIC16C84",  "PIC16F627",  "PIC16F627A",
    "PIC16F628",  "PIC16F628A", "PIC16F630",  "PIC16F648A", "PIC16F676", "PIC16F73",   "PIC16F74",
    "PIC16F76",   "PIC16F77",   "PIC16F818",  "PIC16F819",  "PIC16F83",  "PIC16F84",   "PIC16F84A",
    "PIC16F87",   "PIC16F872",  "PIC16F873",  "PIC16F873A", "PIC16F874", "PIC16F874A", "PIC16F876",
    "PIC16F876A", "PIC16F877",  "PIC16F877A", "PIC16F88",   "PIC18F242", "PIC18F248",  "PIC18F252",
    "PIC18F2550", "PIC18F258",  "PIC18F442",  "PIC18F448",  "PIC18F452", "PIC18F4550", "PIC18F458",
    "PIC18F4680"};

std::optional<std::uint8_t> FindDeviceByName(std::string_view name) {
    for (std::size_t index = 0; index < DeviceTable.size(); ++index) {
        if (DeviceTable[index].Name == name) {
            return static_cast<std::uint8_t>(index);
        }
    }
    return std::nullopt;
}

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::optional<std::uint8_t> ParseDeviceName(std::string_view name) {
    if (name.size() > kDeviceNamePrefix.size() &&
        SameLetters(name.substr(0, kDeviceNamePrefix.size()), kDeviceNamePrefix)) {
        name.remove_prefix(kDeviceNamePrefix.size());
    }
    for (std::size_t index = 0; index < DeviceTable.size(); ++index) {
        if (SameLetters(DeviceTable[index].Name, name)) {
            return static_cast<std::uint8_t>(index);
        }
    }
    return std::nullopt;
}

bool SelectDeviceByName(std::uint8_t& currentDevice, std::string_view name) {
    const auto index = FindDeviceByName(name);
    if (!index) {
        return false;
    }
    currentDevice = *index;
    return true;
}

int DeviceComboIndex(std::uint8_t deviceIndex) {
    const std::string_view name = DeviceTable.at(deviceIndex).Name;
    for (std::size_t item = 0; item < ProcessorTypeItems.size(); ++item) {
        if (ProcessorTypeItems[item].substr(kDeviceNamePrefix.size()) == name) {
            return static_cast<int>(item);
        }
    }
    return -1;
}

}  // namespace vantrel
