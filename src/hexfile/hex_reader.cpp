#include "hexfile/hex_reader.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantrel {

namespace {

constexpr std::size_t kMaxLineLength = 255;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kRecordOverheadBytes = 5;  // length, address (2), type, checksum
constexpr std::size_t kDataOffset = 4;

constexpr std::uint8_t kTypeEndOfFile = 0x01;
constexpr std::uint8_t kTypeExtendedSegment = 0x02;
constexpr std::uint8_t kTypeStartSegment = 0x03;
constexpr std::uint8_t kTypeExtendedLinear = 0x04;
constexpr std::uint8_t kTypeStartLinear = 0x05;

constexpr std::uint32_t kSegmentMask = 0xFFFF0000;
constexpr std::uint32_t kOffsetMask = 0x0000FFFF;
constexpr std::uint64_t kMaxByteAddress = 0xFFFFFFFF;

std::optional<std::uint8_t> HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

struct TParsedBytes {
    std::vector<std::uint8_t> Bytes;
    std::string Error;
};

// Reads the characters after ":" as byte pairs, as far as complete pairs go.
TParsedBytes ParsePairs(const std::string& line) {
    TParsedBytes parsed;
    for (std::size_t pos = 1; pos + 2 <= line.size(); pos += 2) {
        const auto high = HexDigitValue(line[pos]);
        const auto low = HexDigitValue(line[pos + 1]);
        if (!high || !low) {
            parsed.Error = "'$" + line.substr(pos, 2) + "' is not a valid integer value";
            return parsed;
        }
        parsed.Bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
    }
    return parsed;
}

bool ChecksumPasses(const std::vector<std::uint8_t>& bytes) {
    unsigned sum = 0;
    for (std::uint8_t byte : bytes) {
        sum += byte;
    }
    return (sum & 0xFF) == 0;
}

void SetByte(std::uint16_t& word, bool high, std::uint8_t value) {
    word = high ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
                : static_cast<std::uint16_t>((word & 0xFF00) | value);
}

// Places data bytes into the image by the reader's word address space: the byte base of the
// 64 KB segment plus the word index inside it. Each byte goes to its own half of its word, so
// records at odd addresses or of odd length land where they belong. Bytes that fall outside
// every region of the device are counted, so the user can be told what the image lacks.
class TBytePlacer {
  public:
    TBytePlacer(TDeviceState& state) : device_(state.Device()), image_(state.Image) {}

    void Place(std::uint32_t byteAddress, std::uint8_t value) {
        const std::uint32_t x = (byteAddress & kSegmentMask) + ((byteAddress & kOffsetMask) >> 1);
        const bool high = (byteAddress & 1) != 0;
        const bool pic18 = IsPic18(device_);
        bool placed = true;
        if (x < device_.ProgramSize) {
            SetByte(image_.ProgramBuffer[x], high, value);
            image_.ProgramBuffer[x] &= device_.BlankWord;
        } else if (x >= device_.EepromAddress && x < device_.EepromAddress + device_.EepromSize) {
            placed = PlaceData(x - device_.EepromAddress, high, value, pic18);
        } else if (x >= device_.ConfigAddress) {
            placed = PlaceConfig(x - device_.ConfigAddress, high, value, pic18);
        } else if (x >= device_.IdAddress) {
            placed = PlaceId(x - device_.IdAddress, high, value, pic18);
        } else {
            placed = false;
        }
        if (placed) {
            ++placedBytes_;
        } else {
            CountOutside(byteAddress, x, pic18);
        }
    }

    [[nodiscard]] bool ConfigFound() const { return configFound_; }
    [[nodiscard]] std::size_t OutsideValues() const { return outsideValues_; }
    [[nodiscard]] std::uint32_t FirstOutside() const { return firstOutside_; }
    [[nodiscard]] std::size_t PlacedBytes() const { return placedBytes_; }

  private:
    bool PlaceData(std::uint32_t index, bool high, std::uint8_t value, bool pic18) {
        if (pic18) {
            const std::uint32_t offset = 2 * index + (high ? 1 : 0);
            if (offset >= device_.EepromSize) {
                return false;
            }
            image_.DataBuffer[offset] = value;
        } else if (!high) {
            // One EEPROM byte per word: the high byte (often a RETLW opcode) is not data.
            image_.DataBuffer[index] = value;
        }
        return true;
    }

    bool PlaceConfig(std::uint32_t index, bool high, std::uint8_t value, bool pic18) {
        if (pic18) {
            if (index >= kConfig18Words) {
                return false;
            }
            SetByte(image_.Config18[index], high, value);
            configFound_ = true;
            return true;
        }
        // The second word exists only where the device has one; anything further up (data
        // beyond the EEPROM, a file for a bigger part) is not configuration and must not
        // overwrite it. The configuration model masks the second word with its own mask.
        const bool secondWord = index == 1 && device_.Config2Mask != 0;
        if (index != 0 && !secondWord) {
            return false;
        }
        std::uint16_t& word = index == 0 ? image_.ConfigWord1 : image_.ConfigWord2;
        SetByte(word, high, value);
        word &= device_.ConfigMask;
        configFound_ = true;
        return true;
    }

    bool PlaceId(std::uint32_t index, bool high, std::uint8_t value, bool pic18) {
        if (pic18) {
            const std::uint32_t offset = 2 * index + (high ? 1 : 0);
            if (offset >= kIdBufferWords) {
                return false;
            }
            image_.IdBuffer[offset] = value;
        } else if (index < 4) {
            SetByte(image_.IdBuffer[index], high, value);
        } else {
            return false;
        }
        return true;
    }

    // A value is what one address of the device holds: a byte of an 18F part, a word of the
    // others, whose two bytes count once.
    void CountOutside(std::uint32_t byteAddress, std::uint32_t wordAddress, bool pic18) {
        if (!pic18 && lastOutsideWord_ == wordAddress) {
            return;
        }
        lastOutsideWord_ = wordAddress;
        if (outsideValues_ == 0) {
            firstOutside_ = byteAddress;
        }
        ++outsideValues_;
    }

    const TPicDevice& device_;
    TDeviceImage& image_;
    bool configFound_ = false;
    std::size_t outsideValues_ = 0;
    std::uint32_t firstOutside_ = 0;
    std::size_t placedBytes_ = 0;
    // Word addresses are 32-bit: this one never occurs.
    static constexpr std::uint64_t kNoWord = std::uint64_t{1} << 32;
    std::uint64_t lastOutsideWord_ = kNoWord;
};

void TakeCounts(const TBytePlacer& placer, THexLoadResult& result) {
    result.ConfigFound = placer.ConfigFound();
    result.OutsideValues = placer.OutsideValues();
    result.FirstOutside = placer.FirstOutside();
    result.PlacedBytes = placer.PlacedBytes();
}

}  // namespace

THexLoadResult LoadHex(const std::vector<std::string>& lines, TDeviceState& state,
                       const THexLoadOptions& options, TMessageBox& messages) {
    ClearBuffers(state.Image, state.Device());
    THexLoadResult result;
    TBytePlacer placer(state);
    std::uint32_t segmentBase = 0;

    for (std::size_t index = 0; index < lines.size(); ++index) {
        std::string line = lines[index].substr(0, kMaxLineLength);
        // Editors that save UTF-8 with a byte-order mark would otherwise hide the first record.
        if (index == 0 && line.rfind(kUtf8ByteOrderMark, 0) == 0) {
            line.erase(0, kUtf8ByteOrderMark.size());
        }
        if (line.empty() || line[0] != ':') {
            continue;
        }
        TParsedBytes parsed = ParsePairs(line);
        if (!parsed.Error.empty()) {
            result.Ok = false;
            result.Error = std::move(parsed.Error);
            TakeCounts(placer, result);
            return result;
        }
        const std::vector<std::uint8_t>& bytes = parsed.Bytes;
        if (!ChecksumPasses(bytes) || bytes.size() < kRecordOverheadBytes) {
            continue;
        }
        const std::size_t length = bytes[0];
        if (bytes.size() < kRecordOverheadBytes + length) {
            continue;  // the length field runs past the line: never read beyond it
        }
        const auto address = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
        const std::uint8_t type = bytes[3];
        const std::uint8_t* data = bytes.data() + kDataOffset;

        if (type == kTypeEndOfFile) {
            break;
        }
        if (type == kTypeExtendedLinear || type == kTypeExtendedSegment) {
            if (length >= 2) {
                const std::uint32_t value = static_cast<std::uint32_t>(data[0] << 8 | data[1]);
                segmentBase = type == kTypeExtendedLinear ? value << 16 : value << 4;
            }
            continue;
        }
        if (type == kTypeStartSegment || type == kTypeStartLinear) {
            continue;  // a start address, not memory contents
        }
        if (length > 0) {
            ++result.DataRecords;
        }
        // Type 00, and any type the format does not define, is read as data. A record running
        // over the end of its 64 KB segment goes on into the next one rather than wrapping onto
        // the segment's start (the reset vector, in segment 0); bytes past the 4 GB address
        // space are dropped for the same reason.
        for (std::size_t k = 0; k < length; ++k) {
            const std::uint64_t byteAddress = std::uint64_t{segmentBase} + address + k;
            if (byteAddress > kMaxByteAddress) {
                break;
            }
            placer.Place(static_cast<std::uint32_t>(byteAddress), data[k]);
        }
    }

    TakeCounts(placer, result);
    if (options.WarnMissingFuses && !result.ConfigFound) {
        messages.ShowMessage(std::string(kFusesNotSetWarning) + "\r" + options.FileName);
    }
    return result;
}

}  // namespace vantrel
