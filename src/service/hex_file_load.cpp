#include "service/hex_file_load.h"

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
    if (!loaded.Ok) {
        load.Error = path + ": " + loaded.Error;
    }
    return load;
}

}  // namespace vantrel
