#pragma once

#include <string>
#include <vector>

#include "device/device_state.h"
#include "device/message_box.h"

namespace vantrel {

struct THexLoadOptions {
    // True while "Auto Prog" is unchecked: a file without configuration gets a warning.
    bool WarnMissingFuses = true;
    // Shown in the warning; empty when the file came from the command line.
    std::string FileName;
};

struct THexLoadResult {
    // False when a record held a character that is not a hexadecimal digit. The load stopped
    // there; what earlier lines stored stays in the image.
    bool Ok = true;
    std::string Error;  // "'$G1' is not a valid integer value"
    bool ConfigFound = false;
    // Data records read (with at least one byte): none means the file held no Intel HEX data -
    // an empty file, a text file, the wrong file - and the image is only blank.
    std::size_t DataRecords = 0;
    // Values of the file that lie outside every region of the device and were left out: words
    // of a 12/14-bit part, bytes of an 18F part. FirstOutside is the file's byte address of the
    // first of them.
    std::size_t OutsideValues = 0;
    std::uint32_t FirstOutside = 0;
    // Bytes of data records that landed in a region of the device: none means the file set
    // nothing in the image, however many records it held.
    std::size_t PlacedBytes = 0;
};

inline constexpr const char* kFusesNotSetWarning = "WARNING - Fuses not set in loaded file!";

// Clears the image for the current device and fills it from Intel HEX lines. Lines without a
// leading ":", with a bad checksum, or too short for their own length field are skipped
// silently; data outside the device's regions is left out and counted.
[[nodiscard]] THexLoadResult LoadHex(const std::vector<std::string>& lines, TDeviceState& state,
                                     const THexLoadOptions& options, TMessageBox& messages);

}  // namespace vantrel
