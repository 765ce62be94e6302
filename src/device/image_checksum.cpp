#include "device/image_checksum.h"

#include "device/config18_masks.h"
#include "device/hex_text.h"

namespace vantrel {

namespace {

constexpr unsigned kByteBits = 8;
constexpr std::uint16_t kByteMask = 0x00FF;

}  // namespace

std::uint16_t ImageChecksum(const TDeviceImage& image, const TPicDevice& device) {
    // Unsigned arithmetic wraps modulo 2^32; the low 16 bits are the checksum.
    std::uint32_t sum = 0;
    if (IsPic18(device)) {
        for (std::size_t i = 0; i < device.ProgramSize; ++i) {
            const std::uint16_t word = image.ProgramBuffer[i];
            sum += (word & kByteMask) + (word >> kByteBits);
        }
        const auto masks = Config18Masks(device);
        for (std::size_t n = 0; n < masks.size(); ++n) {
            const unsigned byte = (image.Config18[n / 2] >> (kByteBits * (n % 2))) & kByteMask;
            sum += byte & masks[n];
        }
    } else {
        for (std::size_t i = 0; i < device.ProgramSize; ++i) {
            sum += image.ProgramBuffer[i];
        }
        sum += image.ConfigWord1 & device.ConfigMask;
        sum += image.ConfigWord2 & device.Config2Mask;
    }
    return static_cast<std::uint16_t>(sum);
}

std::string ChecksumText(const TDeviceImage& image, const TPicDevice& device) {
    return "Checksum 0x" + HexWordText(ImageChecksum(image, device));
}

}  // namespace vantrel
