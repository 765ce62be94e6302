#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "device/device_id.h"
#include "hardware/pin_layer.h"

namespace vantrel {

// Reads the device ID word of the chip in the socket in a programming-mode period of its own,
// entered as for `device` (its programming voltage line, its protocol): the 14-bit parts at
// 0x2006 through the configuration area, the 18F parts at DEVID1/DEVID2 through the table
// pointer. Reads change nothing in the chip. Only for devices that have a device ID.
[[nodiscard]] TChipIdentity ReadChipIdentity(TPinLayer& pins, const TPicDevice& device);

// For a user who does not know what is in the socket: tries the 14-bit entry on the 18-pin and
// then on the 40-pin socket's programming voltage, then the 18F entry, and returns the first
// answer that names a supported device - or else the first answer at all, or the last all-ones
// word when nothing answered. The 14-bit reads come first because an 18F part takes them for
// harmless instructions, while the 18F sequence could start a write on a 14-bit part.
// `afterMiss` runs after each try that named no device: a chip of the other kind may have seen
// commands it does not know, and a caller that watches for such things can set them aside.
[[nodiscard]] TChipIdentity FindChipIdentity(TPinLayer& pins,
                                             const std::function<void()>& afterMiss = {});

// "16F877A revision 7 answers".
[[nodiscard]] std::string ChipAnswersText(const TChipIdentity& identity);

// "No chip answers (device ID 0x3FFF): check that the chip sits in the socket and the
// programmer has power".
[[nodiscard]] std::string NoChipText(const TChipIdentity& identity);

// "Found a 16F876A (device ID 0x0E00, revision 7), expected a 16F877A", or, for an ID no
// supported part has, "Found a chip with the unknown device ID 0x1234, expected a 16F877A".
[[nodiscard]] std::string OtherDeviceText(const TChipIdentity& identity,
                                          const TPicDevice& expected);

// What `identity` says about the chip in the socket as a line for the user: ChipAnswersText,
// NoChipText, or the unknown ID.
[[nodiscard]] std::string IdentityText(const TChipIdentity& identity);

}  // namespace vantrel
