#include "service/utf16_text.h"

#include <array>

namespace vantrel {

namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

void AppendCodePoint(char32_t codePoint, std::u16string& out) {
    if (codePoint > 0xFFFF) {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    } else {
        out += static_cast<char16_t>(codePoint);
    }
}

std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

void AppendUtf8(char32_t codePoint, std::string& out) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void TUtf8Decoder::Feed(std::string_view bytes, std::u16string& out) {
    for (const char c : bytes) {
        FeedByte(static_cast<unsigned char>(c), out);
    }
}

void TUtf8Decoder::Finish(std::u16string& out, bool replaceUnfinished) {
    if (replaceUnfinished) {
        out.append(pending_.size(), kReplacementCharacter);
    }
    pending_.clear();
}

// The second byte also rules out overlong forms, surrogates and code points past U+10FFFF.
bool TUtf8Decoder::Continues(unsigned char byte) const {
    if ((byte & 0xC0) != 0x80) {
        return false;
    }
    if (pending_.size() != 1) {
        return true;
    }
    switch (pending_.front()) {
        case 0xE0:
            return byte >= 0xA0;
        case 0xED:
            return byte <= 0x9F;
        case 0xF0:
            return byte >= 0x90;
        case 0xF4:
            return byte <= 0x8F;
        default:
            return true;
    }
}

void TUtf8Decoder::FeedByte(unsigned char byte, std::u16string& out) {
    if (!pending_.empty()) {
        if (Continues(byte)) {
            pending_.push_back(byte);
            if (pending_.size() == SequenceLength(pending_.front())) {
                AppendCodePoint(Decoded(), out);
                pending_.clear();
            }
            return;
        }
        out.append(pending_.size(), kReplacementCharacter);
        pending_.clear();
    }
    if (byte < 0x80) {
        out += static_cast<char16_t>(byte);
    } else if (SequenceLength(byte) != 0) {
        pending_.push_back(byte);
    } else {
        out += kReplacementCharacter;
    }
}

char32_t TUtf8Decoder::Decoded() const {
    const std::size_t length = pending_.size();
    constexpr std::array<unsigned char, 5> kLeadPayload{0, 0, 0x1F, 0x0F, 0x07};
    char32_t codePoint = pending_.front() & kLeadPayload.at(length);
    for (std::size_t i = 1; i < length; ++i) {
        codePoint = (codePoint << 6) | (pending_[i] & 0x3F);
    }
    return codePoint;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string text;
    TUtf8Decoder decoder;
    decoder.Feed(bytes, text);
    decoder.Finish(text, true);
    return text;
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            out += kUnencodableCharacter;
        } else {
            AppendUtf8(unit, out);
        }
    }
    return out;
}

}  // namespace vantrel
