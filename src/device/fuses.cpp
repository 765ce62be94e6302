#include "device/fuses.h"

#include <stdexcept>

namespace vantrel {

namespace {

constexpr std::uint16_t kLowOscillatorBits = 0x0003;
constexpr int kLastTwoBitOscillatorItem = 3;
constexpr int kFirstItemAfterSkippedCode = 3;
constexpr int kSkippedCode = 3;

}  // namespace

const TFuseBits& FuseOf(const TPicDevice& device, TFuseBox box) {
    switch (box) {
        case TFuseBox::WDT:
            return device.WdtFuse;
        case TFuseBox::PUT:
            return device.PutFuse;
        case TFuseBox::MCLR:
            return device.MclrFuse;
        case TFuseBox::BOR:
            return device.BorFuse;
        case TFuseBox::LVP:
            return device.LvpFuse;
        case TFuseBox::CPD:
            return device.CpdFuse;
        case TFuseBox::WRT:
            return device.WrtFuse;
        case TFuseBox::CodeP:
            return device.CpFuse;
        case TFuseBox::Debug:
            return device.DebugFuse;
        case TFuseBox::BG0:
            return device.Bg0Fuse;
        case TFuseBox::BG1:
            return device.Bg1Fuse;
        case TFuseBox::CCPMX:
            return device.CcpmxFuse;
        case TFuseBox::IESO:
            return device.IesoFuse;
        case TFuseBox::FCMEN:
            return device.FcmenFuse;
    }
    throw std::invalid_argument("unknown fuse box");
}

std::string_view FuseCaption(TFuseBox box) {
    switch (box) {
        case TFuseBox::WDT:
            return "Watch Dog";
        case TFuseBox::PUT:
            return "Power Up";
        case TFuseBox::MCLR:
            return "MCLRE";
        case TFuseBox::BOR:
            return "Brown Out";
        case TFuseBox::LVP:
            return "Low Voltage";
        case TFuseBox::CPD:
            return "Data Protection";
        case TFuseBox::WRT:
            return "Memory Write";
        case TFuseBox::CodeP:
            return "Code Protect";
        case TFuseBox::Debug:
            return "Debug";
        case TFuseBox::BG0:
            return "BG0";
        case TFuseBox::BG1:
            return "BG1";
        case TFuseBox::CCPMX:
            return "CCPMX";
        case TFuseBox::IESO:
            return "IESO";
        case TFuseBox::FCMEN:
            return "FCMEN";
    }
    throw std::invalid_argument("unknown fuse box");
}

const std::vector<std::string_view>& OscillatorNames(std::uint16_t oscillatorSet) {
    static const std::vector<std::vector<std::string_view>> kNames{
        {"LP", "XT", "HS", "RC"},    {"LP", "XT", "HS", "EXT", "INTI", "INTC", "ERI", "ERC"},
        {"LP", "XT", "INT", "EXT"},  {"LP", "XT", "HS", "INTI", "INTC", "ERI", "ERC"},
        {"HS", "ECC", "HHS", "EXT"},
    };
    return kNames.at(oscillatorSet - 1);
}

std::uint16_t OscillatorCode(const TPicDevice& device, int item) {
    auto code = static_cast<std::uint16_t>(item);
    if (device.Fosc2Mask != 0 && item > kLastTwoBitOscillatorItem) {
        code = static_cast<std::uint16_t>((item & kLowOscillatorBits) + device.Fosc2Mask);
    }
    if (device.OscillatorSet == kOscillatorSetWithoutCode3 && item >= kFirstItemAfterSkippedCode) {
        ++code;
    }
    return code;
}

int OscillatorItem(const TPicDevice& device, std::uint16_t word1) {
    int code = word1 & kLowOscillatorBits;
    if (device.Fosc2Mask != 0 && (word1 & device.Fosc2Mask) == device.Fosc2Mask) {
        code += 4;
    }
    if (device.OscillatorSet == kOscillatorSetWithoutCode3 && code >= kSkippedCode) {
        return code - 1;
    }
    return code;
}

}  // namespace vantrel
