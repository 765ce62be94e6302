// The settings file as QSettings writes and reads it. data/qsettings-written.ini was written by
// QSettings (Qt 6, INI format) from the values below; the hand-edited cases show what QSettings
// reads from text it would never write itself, so the command line and the window agree.

#include <gtest/gtest.h>

#include "service/ini_settings.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

TIniSettings QSettingsWritten() {
    return TIniSettings::Parse(ReadFile(SourceDir() / "tests/service/data/qsettings-written.ini"));
}

std::optional<std::string> Text(const TIniSettings& settings, std::string_view section,
                                std::string_view key) {
    const std::optional<TStoredValue> value = settings.Value(section, key);
    if (!value) {
        return std::nullopt;
    }
    EXPECT_TRUE(value->IsText) << key;
    return value->Text;
}

TEST(IniSettings, ReadsBackEveryFileNameQSettingsWrote) {
    const TIniSettings settings = QSettingsWritten();
    const std::vector<std::pair<std::string, std::string>> written{
        {"File1", "/home/zo\u00eb/Pr\u00fcfung/\u65e5\u672c\u8a9e blink.hex"},
        {"File2", " /tmp/leading and trailing spaces.hex "},
        {"File3", "/tmp/a=b,c;d\"e\"\\f.hex"},
        {"File4", "@home/at sign.hex"},
        {"File5", ""},
        {"SimChip", "/home/zo\u00eb/chips/16F877A; spare, #2.chip"},
    };
    for (const auto& [key, value] : written) {
        EXPECT_EQ(Text(settings, "Settings1", key), value) << key;
    }
    const std::vector<std::string> tricky{
        "\\\\server\\share\\x.hex",
        "/tmp/tab\there",
        "/tmp/new\nline",
        "/tmp/ends in backslash\\",
        "@@two at signs",
        "#not a comment",
        "[not a section]",
        "  ",
        "a, b",
        "%41 not a key escape",
        "\"quoted\"",
    };
    for (std::size_t i = 0; i < tricky.size(); ++i) {
        const std::string key = (i < 9 ? "T0" : "T") + std::to_string(i + 1);
        EXPECT_EQ(Text(settings, "Tricky", key), tricky[i]) << key;
    }
    EXPECT_EQ(Text(settings, "Defaults", "Processor"), "28");
    EXPECT_EQ(Text(settings, "Options", "640x480"), "1");
    EXPECT_EQ(settings.Value("Defaults", "File1"), std::nullopt) << "keys stay in their section";
    EXPECT_EQ(settings.Value("Settings1", "Missing"), std::nullopt);
}

struct THandEdited {
    std::string_view File;  // one section [S]
    std::string_view Key;
    std::optional<TStoredValue> Expected;
};

TStoredValue TextValue(std::string_view text) {
    return {true, std::string(text)};
}

const TStoredValue kNotText{false, {}};

TEST(IniSettings, ReadsHandEditedTextAsQSettingsDoes) {
    const std::vector<THandEdited> cases{
        // Blanks, comments and line structure.
        {"[S]\r\n  K  =  28  \r\n", "K", TextValue("28")},
        {"\xEF\xBB\xBF[S]\nK=1\n", "K", TextValue("1")},
        {"[S]\nK=1 ; a comment\n", "K", TextValue("1")},
        {"[S]\n; K=1\n", "K", std::nullopt},
        {"[S]\n# K=1\n", "# K", TextValue("1")},
        {"[S]\nK=x\nK=y\n", "K", TextValue("y")},
        {"[S]\nK=a\n[T]\nK=b\n[S]\nL=c\n", "K", TextValue("a")},
        {"[s]\nK=lower\n", "K", std::nullopt},
        {" [ S ] \nK=1\n", "K", TextValue("1")},
        {"[S]extra]\nK=1\n", "K", TextValue("1")},
        {"[S]\nline1=a\\\n   cont\n", "line1", TextValue("a   cont")},
        {"[S]\nK=x\\\r\n y\n", "K", TextValue("x y")},
        {"[S]\nnoequals\nK=after\n", "K", TextValue("after")},
        // Quotes.
        {"[S]\nK=\"x;y\" ; c\n", "K", TextValue("x;y")},
        {"[S]\nK=a \"b c\" d\n", "K", TextValue("a b cd")},
        {"[S]\nK= \"  padded  \"  \n", "K", TextValue("  padded  ")},
        {"[S]\nK=\"two\nlines\"\n", "K", TextValue("two\nlines")},
        {"[S]\nK=\"never closed\nL=swallowed\n", "L", std::nullopt},
        // Escapes.
        {"[S]\nK=x\\;y\n", "K", TextValue("xy")},
        {"[S]\nK=\\q\n", "K", TextValue("")},
        {"[S]\nK=\\x41\\x42z\\x\n", "K", TextValue("ABz")},
        {"[S]\nK=\\x00e9\n", "K", TextValue("\u00e9")},
        {"[S]\nK=\\xfffff\n", "K", TextValue("\uffff")},
        {"[S]\nK=\\xD800\n", "K", TextValue("?")},
        {"[S]\nK=\\xD83D\\xDE00\n", "K", TextValue("\U0001F600")},
        {"[S]\nK=\\101\\777\n", "K", TextValue("A\u01ff")},
        {"[S]\nK=\\u00e9\n", "K", TextValue("00e9")},
        {"[S]\nK=a\\0b\n", "K", TextValue(std::string_view("a\0b", 3))},
        {"[S]\nK=a\\t \t\n", "K", TextValue("a\t")},
        {"[S]\nK=x\v\n", "K", TextValue("x\v")},
        // Malformed UTF-8: each byte of a broken sequence is replaced; one cut off at the end is
        // dropped; one interrupted by an escape is finished after it.
        {"[S]\nK=\xE2\x82x\n", "K", TextValue("\ufffd\ufffdx")},
        {"[S]\nK=\xC0\x80\xED\xA0\x80\n", "K", TextValue("\ufffd\ufffd\ufffd\ufffd\ufffd")},
        {"[S]\nK=\xFF\n", "K", TextValue("\ufffd")},
        {"[S]\nK=\xE2\x82\n", "K", TextValue("")},
        {"[S]\nK=\xE2\\t\x82\xAC\n", "K", TextValue("\t\u20ac")},
        // Lists and values of other types than text.
        {"[S]\nK=a,b\n", "K", kNotText},
        {"[S]\nK=a,\n", "K", kNotText},
        {"[S]\nK=@Rect(1 2 3 4)\n", "K", kNotText},
        {"[S]\nK=@Invalid()\n", "K", kNotText},
        {"[S]\nK=@Variant(\\0\\0\\0\\x7f)\n", "K", kNotText},
        {"[S]\nK=@String(text)\n", "K", TextValue("text")},
        {"[S]\nK=@ByteArray(bytes)\n", "K", TextValue("bytes")},
        {"[S]\nK=@ByteArray(\\xff)\n", "K", TextValue("\ufffd")},
        {"[S]\nK=@ByteArray(x\n", "K", TextValue("@ByteArray(x")},
        {"[S]\nK=@foo\n", "K", TextValue("@foo")},
        {"[S]\nK=@@\n", "K", TextValue("@")},
        // Escaped keys and section names.
        {"[S]\nPro%63essor=1\n", "Processor", TextValue("1")},
        {"[S]\nKey%U00e9=1\n", "Key\u00e9", TextValue("1")},
        {"[%53]\nK=1\n", "K", TextValue("1")},
    };
    for (const THandEdited& c : cases) {
        const TIniSettings settings = TIniSettings::Parse(c.File);
        EXPECT_EQ(settings.Value("S", c.Key), c.Expected) << c.File;
    }
}

TEST(IniSettings, KeepsKeysOutsideSectionsApart) {
    const TIniSettings settings =
        TIniSettings::Parse("top=1\n[General]\ng=2\n[%General]\nh=3\n[ ]\ne=4\n");
    EXPECT_EQ(settings.Values().count("top"), 1u);
    EXPECT_EQ(settings.Values().count("g"), 1u);
    EXPECT_EQ(settings.Value("General", "h"), TextValue("3"));
    EXPECT_EQ(settings.Values().count("e"), 0u) << "a nameless section is not the top level";
}

TEST(SettingsFile, LivesWhereQSettingsKeepsIt) {
    EXPECT_EQ(SettingsFilePath("/x/cfg", "/home/ana"), "/x/cfg/vantrel/Vantrel18F.ini");
    EXPECT_EQ(SettingsFilePath("", "/home/ana"), "/home/ana/.config/vantrel/Vantrel18F.ini");
    EXPECT_EQ(SettingsFilePath(nullptr, "/home/ana"), "/home/ana/.config/vantrel/Vantrel18F.ini");
    EXPECT_EQ(SettingsFilePath(nullptr, nullptr), "/.config/vantrel/Vantrel18F.ini");
}

TEST(SettingsFile, IsMissingQuietlyAndUnreadableLoudly) {
    const TTempDir dir;
    const TSettingsFileRead missing = ReadSettingsFile(dir / "none/Vantrel18F.ini");
    EXPECT_FALSE(missing.Found);
    EXPECT_EQ(missing.Error, "");

    const TSettingsFileRead folder = ReadSettingsFile(dir.Path());
    EXPECT_TRUE(folder.Found);
    EXPECT_NE(folder.Error.find("is a directory"), std::string::npos) << folder.Error;

    WriteFile(dir / "ok.ini", "[Defaults]\nProcessor=5\n");
    const TSettingsFileRead read = ReadSettingsFile(dir / "ok.ini");
    EXPECT_TRUE(read.Found);
    EXPECT_EQ(read.Error, "");
    EXPECT_EQ(read.Settings.Value("Defaults", "Processor"), TextValue("5"));
}

}  // namespace
}  // namespace vantrel::test
