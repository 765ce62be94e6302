#include "programming/memory_pass.h"

#include "hardware/serial_protocol.h"

namespace vantrel {

TMemoryPass MemoryPass(TDeviceImage& image, const TPicDevice& device, bool data) {
    if (data) {
        return {true,
                std::span(image.DataBuffer).first(device.EepromSize),
                kBlankDataByte,
                kCommandLoadDataData,
                kCommandReadDataData,
                "Data"};
    }
    return {false,
            std::span(image.ProgramBuffer).first(device.ProgramSize),
            device.BlankWord,
            kCommandLoadDataProgram,
            kCommandReadDataProgram,
            "Program"};
}

std::size_t TrimmedCount(std::span<const std::uint16_t> entries, std::uint16_t blank) {
    std::size_t count = entries.size();
    while (count > 0 && entries[count - 1] == blank) {
        --count;
    }
    return count;
}

std::string_view WritingStatus(bool data) {
    return data ? "Writing EEPROM data memory..." : "Writing Program memory...";
}

std::string_view VerifyingStatus(bool data) {
    return data ? "Verifying EEPROM data..." : "Verifying program data...";
}

std::string_view ReadingStatus(bool data) {
    return data ? "Reading EEPROM data..." : "Reading program data...";
}

}  // namespace vantrel
