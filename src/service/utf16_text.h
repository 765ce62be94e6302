#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Text between UTF-8 and UTF-16 exactly as Qt converts it, so the settings the command line reads
// are the ones the window's QSettings reads.

// What a lone surrogate becomes in UTF-8.
inline constexpr char kUnencodableCharacter = '?';

// UTF-8 to UTF-16: each byte of a malformed sequence (a bad lead byte, an overlong form, a
// surrogate, a code point above U+10FFFF) becomes U+FFFD. A sequence cut off at the end of one
// piece is held for the next; Finish decides what becomes of it at the very end.
class TUtf8Decoder {
  public:
    void Feed(std::string_view bytes, std::u16string& out);
    // QSettings drops an unfinished sequence at the end of a value; a whole text converted at
    // once turns it into replacement characters.
    void Finish(std::u16string& out, bool replaceUnfinished);

  private:
    [[nodiscard]] bool Continues(unsigned char byte) const;
    void FeedByte(unsigned char byte, std::u16string& out);
    [[nodiscard]] char32_t Decoded() const;

    std::vector<unsigned char> pending_;
};

// A whole text at once.
[[nodiscard]] std::u16string DecodeUtf8(std::string_view bytes);

// UTF-16 to UTF-8; a lone surrogate becomes kUnencodableCharacter.
[[nodiscard]] std::string EncodeUtf8(std::u16string_view text);

}  // namespace vantrel
