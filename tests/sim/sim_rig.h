#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "device/device_selection.h"
#include "icsp_host.h"
#include "sim/simulated_board.h"

namespace vantrel::test {

[[nodiscard]] inline std::uint8_t DeviceIndex(std::string_view name) {
    return FindDeviceByName(name).value();
}

// A default board, a host wired to match and a chip in the socket.
struct TSimRig {
    TVirtualClock clock;
    TSimulatedBoard board{clock};
    TIcspHost host{board, clock};

    explicit TSimRig(std::string_view device) { Insert(FactoryFreshChip(DeviceIndex(device))); }
    explicit TSimRig(TSimChipState chip) { Insert(std::move(chip)); }

    void Insert(TSimChipState chip) {
        host.UseVpp40(chip.Device().UsesVpp40);
        board.InsertChip(std::move(chip));
    }
    [[nodiscard]] TSimChipState& Chip() { return board.ChipState(); }
    [[nodiscard]] const TSimViolationLog& Log() { return board.Violations(); }
    [[nodiscard]] std::size_t Count(TSimViolationKind kind) { return Log().Count(kind); }
};

#define EXPECT_NO_VIOLATIONS(rig) EXPECT_TRUE((rig).Log().Empty()) << (rig).Log().Describe()

}  // namespace vantrel::test
