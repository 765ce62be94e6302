#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/pic_device.h"

namespace vantrel {

inline constexpr std::size_t kConfig18ByteCount = 14;  // 0x300000..0x30000D

// The implemented bits of each 18F configuration byte, 0x300000 first: erased, they read 1;
// the others read 0 whatever was written. All zeros for a part that is not an 18F part.
[[nodiscard]] std::array<std::uint8_t, kConfig18ByteCount> Config18Masks(const TPicDevice& device);

}  // namespace vantrel
