#pragma once

#include "device/config_model.h"
#include "device/device_state.h"
#include "hardware/hardware_settings.h"
#include "programming/programming_options.h"

namespace vantrel {

// The program's state for one run: the device and its image, the fuse model, the programmer's
// wiring and timing, and the options. `main` creates one and passes it by reference; tests make
// as many as they like.
struct TVantrelSession {
    TDeviceState Device;
    TConfigModel Config{Device};
    THardwareSettings Hardware;
    TProgrammingOptions Options;

    TVantrelSession() = default;
    TVantrelSession(const TVantrelSession&) = delete;
    TVantrelSession& operator=(const TVantrelSession&) = delete;
};

}  // namespace vantrel
