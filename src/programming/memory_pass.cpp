#include "programming/memory_pass.h"

#include "programming/programmer.h"

namespace vantrel {

namespace {

std::string MemoryName(bool data) {
    return data ? "Data" : "Program";
}

}  // namespace

TVerifiedMemory VerifiedMemory(const TPicDevice& device, const TDeviceImage& image, bool data) {
    if (data) {
        return {image.DataBuffer, device.EepromSize, kBlankDataByte};
    }
    return {image.ProgramBuffer, device.ProgramSize, device.BlankWord};
}

std::size_t TrimmedCount(std::span<const std::uint16_t> buffer, std::size_t size,
                         std::uint16_t blank) {
    std::size_t count = size;
    while (count > 0 && buffer[count - 1] == blank) {
        --count;
    }
    return count;
}

bool CalibrationWordUnset(const TPicDevice& device, const TDeviceImage& image, bool data,
                          std::size_t address) {
    return !data && HasCalibrationWord(device) && address == device.CalibrationAddress &&
           image.ProgramBuffer[address] == device.BlankWord;
}

std::string VerifyErrorText(bool data, std::uint32_t address) {
    return MemoryName(data) + " Verify Error at " + MemoryName(data) + " address " +
           MessageAddress(address);
}

std::string VerifyAbortText(bool data, std::uint32_t address) {
    return MemoryName(data) + " Verify failed at " + MemoryName(data) + " address " +
           MessageAddress(address) + ", Programming Aborted!";
}

}  // namespace vantrel
