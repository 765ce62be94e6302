#include "device/device_image.h"

#include <algorithm>

namespace vantrel {

void ClearBuffers(TDeviceImage& image, const TPicDevice& device) {
    image.ProgramBuffer.fill(device.BlankWord);
    image.DataBuffer.fill(kBlankDataByte);
    image.IdBuffer.fill(kBlankIdValue);
    image.ConfigWord1 = device.ConfigMask;
    image.ConfigWord2 = device.Config2Mask;
    image.Config18.fill(kBlankConfig18);
}

bool ProgramHasData(const TDeviceImage& image, const TPicDevice& device) {
    return std::any_of(image.ProgramBuffer.begin(), image.ProgramBuffer.end(),
                       [&](std::uint16_t word) { return word != device.BlankWord; });
}

bool DataHasData(const TDeviceImage& image) {
    return std::any_of(image.DataBuffer.begin(), image.DataBuffer.end(),
                       [](std::uint16_t value) { return !IsErasedByte(value); });
}

bool IdHasData(TDeviceImage& image, const TPicDevice& device) {
    bool hasData = false;
    for (std::size_t i = 0; i < IdEntryCount(device); ++i) {
        image.IdBuffer[i] &= 0x00FF;
        hasData = hasData || !IsErasedByte(image.IdBuffer[i]);
    }
    return hasData;
}

}  // namespace vantrel
