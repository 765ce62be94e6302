#pragma once

#include <memory>
#include <string>

#include "hardware/port_access.h"

namespace vantrel {

// A port back-end that could be opened, or why not and what to do about it.
struct TOpenedPort {
    std::unique_ptr<TPortAccess> Port;  // null when opening failed
    std::string Error;
    bool InUse = false;  // refused because another program or driver holds the port
};

}  // namespace vantrel
