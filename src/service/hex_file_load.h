#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/config_model.h"
#include "device/device_state.h"
#include "device/message_box.h"
#include "hexfile/hex_reader.h"

namespace vantrel {

struct THexFileLoad {
    // False when the file could not be read at all; the image is untouched then.
    bool FileRead = false;
    // False when the file could not be read or the reader stopped at a malformed record.
    bool Ok = false;
    std::string Error;  // why not, with the file's name
    // The file's lines, as the "HEX file" page shows them.
    std::vector<std::string> Lines;
    bool ConfigFound = false;
    // Data records the reader found; none means the file held no Intel HEX data at all, and
    // the image is only blank: nothing to write into a chip or to compare one with.
    std::size_t DataRecords = 0;
    // Values outside every region of the device, left out of the image (see THexLoadResult).
    std::size_t OutsideValues = 0;
    std::uint32_t FirstOutside = 0;
    // Bytes that landed in the image (see THexLoadResult).
    std::size_t PlacedBytes = 0;
};

// Opens a HEX file as the Open command does: reads its lines, clears the image and fills it
// with the reader, then sets the fuse model from the loaded words. The fuse model follows the
// image after every attempt the reader made, a stopped one included, so what the user sees is
// what the image holds. `options.FileName` is the name the missing-fuses warning shows.
[[nodiscard]] THexFileLoad LoadHexFile(const std::string& path, TDeviceState& state,
                                       TConfigModel& config, const THexLoadOptions& options,
                                       TMessageBox& messages);

// "no Intel HEX data in FILE": the load found not one data record.
[[nodiscard]] std::string NoHexDataText(const std::string& path);

// "1024 values outside the 16F627A's memory were ignored (first at 0x0800)"; empty when the
// whole file fitted.
[[nodiscard]] std::string OutsideValuesText(const THexFileLoad& load, const TPicDevice& device);

}  // namespace vantrel
