#pragma once

#include <cstdint>

#include "device/device_image.h"
#include "device/device_table.h"

namespace vantrel {

// The selected device and the image of its memories. Loading a file or reading a chip fills
// the image; only a device change changes CurrentDevice.
struct TDeviceState {
    std::uint8_t CurrentDevice = kDefaultDeviceIndex;
    TDeviceImage Image;

    [[nodiscard]] const TPicDevice& Device() const { return DeviceTable.at(CurrentDevice); }
};

}  // namespace vantrel
