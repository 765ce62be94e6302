#include "service/hex_file_load.h"

#include "device/hex_text.h"
#include "hexfile/text_file.h"

namespace vantrel {

THexFileLoad LoadHexFile(const std::string& path, TDeviceState& state, TConfigModel& config,
                         const THexLoadOptions& options, TMessageBox& messages) {
    THexFileLoad load;
    std::string text;
    if (const TFileResult read = ReadTextFile(path, text); !read.Ok) {
        load.Error = read.Error;
        return load;
    }
    load.FileRead = true;
    load.Lines = SplitLines(text);
    const THexLoadResult loaded = LoadHex(load.Lines, state, options, messages);
    config.UpdateConfig();
    load.Ok = loaded.Ok;
    load.ConfigFound = loaded.ConfigFound;
    load.DataRecords = loaded.DataRecords;
    load.OutsideValues = loaded.OutsideValues;
    load.FirstOutside = loaded.FirstOutside;
    load.PlacedBytes = loaded.PlacedBytes;
    if (!loaded.Ok) {
        load.Error = path + ": " + loaded.Error;
    }
    return load;
}

std::string NoHexDataText(const std::string& path) {
    return "no Intel HEX data in " + path;
}

std::string OutsideValuesText(const THexFileLoad& load, const TPicDevice& device) {
    if (load.OutsideValues == 0) {
        return {};
    }
    return std::to_string(load.OutsideValues) + (load.OutsideValues == 1 ? " value" : " values") +
           " outside the " + std::string(device.Name) + "'s memory " +
           (load.OutsideValues == 1 ? "was" : "were") + " ignored (first at 0x" +
           HexWordText(load.FirstOutside) + ")";
}

}  // namespace vantrel
