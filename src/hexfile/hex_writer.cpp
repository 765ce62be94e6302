#include "hexfile/hex_writer.h"

#include <cstdint>

#include "device/hex_text.h"

namespace vantrel {

namespace {

constexpr std::size_t kMaxEntriesPerRecord = 8;
constexpr std::uint8_t kTypeData = 0x00;

class TRecordBuilder {
  public:
    void Byte(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF)); }
    // A word of the image: low byte first.
    void Word(std::uint16_t value) {
        Byte(value);
        Byte(value >> 8);
    }

    [[nodiscard]] std::string Text(std::uint32_t address) const {
        const auto length = static_cast<std::uint8_t>(bytes_.size());
        const auto addressHigh = static_cast<std::uint8_t>((address >> 8) & 0xFF);
        const auto addressLow = static_cast<std::uint8_t>(address & 0xFF);
        unsigned sum = length + addressHigh + addressLow + kTypeData;
        std::string text =
            ":" + HexByteText(length) + HexWordText(address & 0xFFFF) + HexByteText(kTypeData);
        for (std::uint8_t byte : bytes_) {
            text += HexByteText(byte);
            sum += byte;
        }
        return text + HexByteText((0x100 - (sum & 0xFF)) & 0xFF);
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

std::string FormatProgram(const TDeviceImage& image, std::size_t first, std::size_t count) {
    TRecordBuilder record;
    for (std::size_t i = first; i < first + count; ++i) {
        record.Word(image.ProgramBuffer[i]);
    }
    return record.Text(static_cast<std::uint32_t>(2 * first));
}

std::string FormatData(const TDeviceImage& image, const TPicDevice& device, std::size_t first,
                       std::size_t count) {
    TRecordBuilder record;
    for (std::size_t i = first; i < first + count; ++i) {
        if (IsPic18(device)) {
            record.Byte(image.DataBuffer[i]);
        } else {
            record.Word(image.DataBuffer[i]);
        }
    }
    const std::uint32_t address =
        IsPic18(device) ? static_cast<std::uint32_t>(first)
                        : 2 * (device.EepromAddress + static_cast<std::uint32_t>(first));
    return record.Text(address);
}

std::string FormatId(const TDeviceImage& image, const TPicDevice& device) {
    TRecordBuilder record;
    if (IsPic18(device)) {
        for (std::uint16_t value : image.IdBuffer) {
            record.Byte(value);
        }
        return record.Text(0);
    }
    for (std::size_t i = 0; i < IdEntryCount(device); ++i) {
        record.Word(image.IdBuffer[i]);
    }
    return record.Text(2 * device.IdAddress);
}

std::string FormatConfig(const TDeviceImage& image, const TPicDevice& device) {
    TRecordBuilder record;
    if (IsPic18(device)) {
        for (std::uint16_t word : image.Config18) {
            record.Word(word);
        }
        return record.Text(0);
    }
    record.Word(image.ConfigWord1);
    if (device.Config2Mask != 0) {
        record.Word(image.ConfigWord2);
    }
    return record.Text(2 * device.ConfigAddress);
}

// Writes runs of up to eight entries that are not `isGap`, up to `end`. Records start wherever a
// run starts; nothing is aligned.
template <typename IsGap, typename Emit>
void WriteRuns(std::size_t end, IsGap isGap, Emit emit) {
    std::size_t pos = 0;
    while (pos < end) {
        std::size_t count = 0;
        while (pos + count < end && count < kMaxEntriesPerRecord && !isGap(pos + count)) {
            ++count;
        }
        if (count == 0) {
            while (pos < end && isGap(pos)) {
                ++pos;
            }
        } else {
            emit(pos, count);
            pos += count;
        }
    }
}

void WriteProgram(std::vector<std::string>& lines, const TDeviceImage& image,
                  const TPicDevice& device) {
    const auto isBlank = [&](std::size_t i) { return image.ProgramBuffer[i] == device.BlankWord; };
    std::size_t end = device.ProgramSize;
    while (end > 0 && isBlank(end - 1)) {
        --end;
    }
    WriteRuns(end, isBlank, [&](std::size_t first, std::size_t count) {
        lines.push_back(FormatHexRecord(image, device, THexRegion::Program, first, count));
    });
}

void WriteData(std::vector<std::string>& lines, const TDeviceImage& image,
               const TPicDevice& device) {
    if (IsPic18(device)) {
        lines.push_back(kHexSegmentData18);
    }
    std::size_t end = image.DataBuffer.size();
    while (end > 0 && IsErasedByte(image.DataBuffer[end - 1])) {
        --end;
    }
    // Inside the range only 0xFF splits a run; 0x7F is written.
    const auto isGap = [&](std::size_t i) { return image.DataBuffer[i] == kBlankDataByte; };
    WriteRuns(end, isGap, [&](std::size_t first, std::size_t count) {
        lines.push_back(FormatHexRecord(image, device, THexRegion::Data, first, count));
    });
}

}  // namespace

std::string FormatHexRecord(const TDeviceImage& image, const TPicDevice& device, THexRegion region,
                            std::size_t first, std::size_t count) {
    switch (region) {
        case THexRegion::Program:
            return FormatProgram(image, first, count);
        case THexRegion::Data:
            return FormatData(image, device, first, count);
        case THexRegion::Id:
            return FormatId(image, device);
        case THexRegion::Config:
            return FormatConfig(image, device);
    }
    return {};
}

std::vector<std::string> BufferToHex(TDeviceImage& image, const TPicDevice& device) {
    std::vector<std::string> lines;
    WriteProgram(lines, image, device);
    if (DataHasData(image)) {
        WriteData(lines, image, device);
    }
    if (IdHasData(image, device)) {
        if (IsPic18(device)) {
            lines.push_back(kHexSegmentId18);
        }
        lines.push_back(FormatHexRecord(image, device, THexRegion::Id, 0, 0));
    }
    if (IsPic18(device)) {
        lines.push_back(kHexSegmentConfig18);
    }
    lines.push_back(FormatHexRecord(image, device, THexRegion::Config, 0, 0));
    lines.push_back(kHexEndOfFile);
    return lines;
}

}  // namespace vantrel
