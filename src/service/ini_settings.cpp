#include "service/ini_settings.h"

#include <array>
#include <cstdint>
#include <system_error>
#include <vector>

#include "hexfile/text_file.h"
#include "service/utf16_text.h"

namespace vantrel {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

constexpr std::string_view kOrganisationFolder = "vantrel";
constexpr std::string_view kSettingsFileName = "Vantrel18F.ini";
constexpr std::string_view kDefaultConfigFolder = ".config";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsNewline(char c) {
    return c == '\n' || c == '\r';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<unsigned> HexDigitValue(char16_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return std::nullopt;
}

bool IsHexDigit(char c) {
    return HexDigitValue(static_cast<unsigned char>(c)).has_value();
}

bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// One logical line of the file: a key line or a section header, which a backslash before the
// line break or an open quote continues onto the next physical line. A semicolon outside quotes
// starts a comment that runs to the end of the physical line.
struct TIniLine {
    std::string_view Text;
    std::size_t EqualsPos = std::string_view::npos;  // the first "=" outside quotes
};

std::optional<TIniLine> NextLine(std::string_view data, std::size_t& pos) {
    std::size_t start = pos;
    for (;;) {
        while (start < data.size() && IsSpace(data[start])) {
            ++start;
        }
        if (start >= data.size() || data[start] != ';') {
            break;
        }
        while (start < data.size() && !IsNewline(data[start])) {
            ++start;
        }
    }
    TIniLine line;
    bool inQuotes = false;
    std::size_t i = start;
    while (i < data.size()) {
        const char c = data[i];
        if ((IsNewline(c) || c == ';') && !inQuotes) {
            break;
        }
        ++i;
        if (c == '=' && !inQuotes && line.EqualsPos == std::string_view::npos) {
            line.EqualsPos = i - 1 - start;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '\\' && i < data.size()) {
            // The escaped character - a line break included, with its CR LF or LF CR partner.
            const char escaped = data[i++];
            if (IsNewline(escaped) && i < data.size() && IsNewline(data[i]) && data[i] != escaped) {
                ++i;
            }
        }
    }
    pos = i;
    if (i == start) {
        return std::nullopt;
    }
    line.Text = data.substr(start, i - start);
    return line;
}

// Keys and section names escape what an INI key cannot hold: "%XX" is a character up to U+00FF,
// "%UXXXX" any UTF-16 unit, a backslash the separator "/".
std::string UnescapeKey(std::string_view raw) {
    const std::u16string text = DecodeUtf8(raw);
    std::u16string key;
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c == u'\\') {
            key += u'/';
            ++i;
            continue;
        }
        if (c == u'%' && i + 1 < text.size()) {
            const bool wide = text[i + 1] == u'U';
            const std::size_t first = i + (wide ? 2 : 1);
            const std::size_t digits = wide ? 4 : 2;
            unsigned value = 0;
            bool valid = first + digits <= text.size();
            for (std::size_t d = 0; valid && d < digits; ++d) {
                const auto digit = HexDigitValue(text[first + d]);
                valid = digit.has_value();
                value = value * 16 + digit.value_or(0);
            }
            if (valid) {
                key += static_cast<char16_t>(value);
                i = first + digits;
                continue;
            }
        }
        key += c;
        ++i;
    }
    return EncodeUtf8(key);
}

// The value text after "=", unescaped: leading blanks skipped, trailing blanks of an unquoted
// value dropped, quotes removed (keeping what they enclose, blanks, commas and line breaks
// included), escapes resolved - \a \b \f \n \r \t \v \" \? \' \\, \x and hexadecimal digits,
// \ and octal digits, \ before a line break joins the lines, any other escaped character is
// dropped. An unquoted comma makes the value a list.
class TValueUnescaper {
  public:
    explicit TValueUnescaper(std::string_view raw) : raw_(raw) {}

    struct TResult {
        bool IsList = false;
        std::u16string Text;  // the whole value when it is not a list
    };

    TResult Run() {
        SkipBlanks();
        while (i_ < raw_.size()) {
            const char c = raw_[i_];
            if (c == '\\') {
                ++i_;
                Escape();
                // Blanks an escape produced, or that came before it, are never dropped as
                // trailing.
                chopLimit_ = current_.size();
            } else if (c == '"') {
                ++i_;
                quoted_ = true;
                inQuotes_ = !inQuotes_;
                if (!inQuotes_) {
                    SkipBlanks();
                }
            } else if (c == ',' && !inQuotes_) {
                EndItem();
                isList_ = true;
                ++i_;
                SkipBlanks();
            } else {
                AppendRun();
            }
        }
        decoder_.Finish(current_, false);
        if (!quoted_) {
            ChopTrailingBlanks();
        }
        return {isList_, current_};
    }

  private:
    void SkipBlanks() {
        while (i_ < raw_.size() && (raw_[i_] == ' ' || raw_[i_] == '\t')) {
            ++i_;
        }
        chopLimit_ = current_.size();
    }

    void ChopTrailingBlanks() {
        while (current_.size() > chopLimit_ &&
               (current_.back() == u' ' || current_.back() == u'\t')) {
            current_.pop_back();
        }
    }

    // A list item ends at the comma; only the item's own text matters for the result, which is
    // then not text at all.
    void EndItem() {
        if (!quoted_) {
            ChopTrailingBlanks();
        }
        current_.clear();
        chopLimit_ = 0;
        quoted_ = false;
    }

    // Plain characters up to the next escape, quote or comma.
    void AppendRun() {
        std::size_t end = i_ + 1;
        while (end < raw_.size() && raw_[end] != '\\' && raw_[end] != '"' && raw_[end] != ',') {
            ++end;
        }
        decoder_.Feed(raw_.substr(i_, end - i_), current_);
        i_ = end;
    }

    // A number of at most 16 bits, as many digits as follow; longer ones keep their low bits.
    template <typename TIsDigit>
    void AppendNumberEscape(unsigned radixBits, TIsDigit isDigit) {
        std::uint16_t value = 0;
        while (i_ < raw_.size() && isDigit(raw_[i_])) {
            const unsigned digit = HexDigitValue(static_cast<unsigned char>(raw_[i_])).value_or(0);
            value = static_cast<std::uint16_t>((value << radixBits) | digit);
            ++i_;
        }
        current_ += static_cast<char16_t>(value);
    }

    void Escape() {
        if (i_ >= raw_.size()) {
            return;
        }
        static constexpr std::array<std::pair<char, char16_t>, 11> kSimpleEscapes{{
            {'a', u'\a'},
            {'b', u'\b'},
            {'f', u'\f'},
            {'n', u'\n'},
            {'r', u'\r'},
            {'t', u'\t'},
            {'v', u'\v'},
            {'"', u'"'},
            {'?', u'?'},
            {'\'', u'\''},
            {'\\', u'\\'},
        }};
        const char c = raw_[i_];
        bool simple = false;
        for (const auto& [name, character] : kSimpleEscapes) {
            if (c == name) {
                current_ += character;
                simple = true;
            }
        }
        if (simple) {
            ++i_;
        } else if (c == 'x') {
            ++i_;
            if (i_ < raw_.size() && IsHexDigit(raw_[i_])) {
                AppendNumberEscape(4, IsHexDigit);
            }
        } else if (IsOctalDigit(c)) {
            AppendNumberEscape(3, IsOctalDigit);
        } else {
            ++i_;
            if (IsNewline(c) && i_ < raw_.size() && IsNewline(raw_[i_]) && raw_[i_] != c) {
                ++i_;
            }
        }
    }

    std::string_view raw_;
    std::size_t i_ = 0;
    std::u16string current_;
    std::size_t chopLimit_ = 0;
    bool inQuotes_ = false;
    bool quoted_ = false;
    bool isList_ = false;
    TUtf8Decoder decoder_;
};

bool StartsWith(std::u16string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] != static_cast<unsigned char>(prefix[i])) {
            return false;
        }
    }
    return true;
}

// The contents of "@Name(...)" when the text has that form.
std::optional<std::u16string_view> TypedContents(std::u16string_view text, std::string_view name) {
    if (!StartsWith(text, name) || text.size() < name.size() + 2 || text[name.size()] != u'(' ||
        text.back() != u')') {
        return std::nullopt;
    }
    return text.substr(name.size() + 1, text.size() - name.size() - 2);
}

// What an unescaped value stands for. QSettings marks values of other types than text with a
// leading "@" - "@Rect(1 2 3 4)", "@Variant(...)", "@Invalid()" - and doubles an "@" that starts
// a text. Byte arrays come back as the text their bytes spell in UTF-8.
TStoredValue InterpretValue(std::u16string_view text) {
    if (text.empty() || text.front() != u'@') {
        return {true, EncodeUtf8(text)};
    }
    if (const auto contents = TypedContents(text, "@String")) {
        return {true, EncodeUtf8(*contents)};
    }
    if (const auto contents = TypedContents(text, "@ByteArray")) {
        std::string bytes;
        for (const char16_t unit : *contents) {
            bytes += unit <= 0xFF ? static_cast<char>(unit) : kUnencodableCharacter;
        }
        return {true, EncodeUtf8(DecodeUtf8(bytes))};
    }
    for (const std::string_view other : {"@Variant", "@DateTime", "@Rect", "@Size", "@Point"}) {
        if (TypedContents(text, other)) {
            return {false, {}};
        }
    }
    if (const auto contents = TypedContents(text, "@Invalid"); contents && contents->empty()) {
        return {false, {}};
    }
    if (StartsWith(text, "@@")) {
        text.remove_prefix(1);
    }
    return {true, EncodeUtf8(text)};
}

TStoredValue ParseValue(std::string_view raw) {
    const TValueUnescaper::TResult unescaped = TValueUnescaper(raw).Run();
    if (unescaped.IsList) {
        return {false, {}};
    }
    return InterpretValue(unescaped.Text);
}

// The prefix a header gives the keys below it: "Name/"; none for "General", which holds the keys
// outside any section ("%General" is a section of that name).
std::string SectionPrefix(std::string_view header) {
    const std::size_t close = header.find(']');
    const std::string_view inside = Trimmed(
        header.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    if (EqualsIgnoringCase(inside, "general")) {
        return {};
    }
    if (EqualsIgnoringCase(inside, "%general")) {
        return std::string(inside.substr(1)) + "/";
    }
    return UnescapeKey(inside) + "/";
}

std::string FullKey(std::string_view section, std::string_view key) {
    std::string full(section);
    full += '/';
    full += key;
    return full;
}

}  // namespace

TIniSettings TIniSettings::Parse(std::string_view text) {
    TIniSettings settings;
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::string prefix;
    std::size_t pos = 0;
    while (const std::optional<TIniLine> line = NextLine(text, pos)) {
        if (line->Text.front() == '[') {
            prefix = SectionPrefix(line->Text);
            continue;
        }
        if (line->EqualsPos == std::string_view::npos) {
            continue;
        }
        const std::string_view rawKey = Trimmed(line->Text.substr(0, line->EqualsPos));
        if (rawKey.empty()) {
            continue;
        }
        // A key given twice keeps its last value.
        settings.values_[prefix + UnescapeKey(rawKey)] =
            ParseValue(line->Text.substr(line->EqualsPos + 1));
    }
    return settings;
}

std::optional<TStoredValue> TIniSettings::Value(std::string_view section,
                                                std::string_view key) const {
    const auto found = values_.find(FullKey(section, key));
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void TIniSettings::SetValue(std::string_view section, std::string_view key, std::string_view text) {
    values_[FullKey(section, key)] = TStoredValue{true, std::string(text)};
}

std::filesystem::path SettingsFilePath(const char* xdgConfigHome, const char* home) {
    std::filesystem::path folder;
    if (xdgConfigHome != nullptr && *xdgConfigHome != '\0') {
        folder = xdgConfigHome;
    } else {
        folder = home != nullptr && *home != '\0' ? std::filesystem::path(home)
                                                  : std::filesystem::path("/");
        folder /= kDefaultConfigFolder;
    }
    return folder / kOrganisationFolder / kSettingsFileName;
}

TSettingsFileRead ReadSettingsFile(const std::filesystem::path& path) {
    TSettingsFileRead read;
    std::error_code error;
    if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) {
        return read;
    }
    read.Found = true;
    std::string text;
    if (const TFileResult result = ReadTextFile(path, text); !result.Ok) {
        read.Error = result.Error;
        return read;
    }
    read.Settings = TIniSettings::Parse(text);
    return read;
}

}  // namespace vantrel
