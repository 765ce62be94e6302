// `vantrel-cli rehex` is Open followed by Save. Files from a real assembler must come out
// describing the same memory they went in with, judged by an outside tool rather than by our own
// reader, and bad input must leave the output file alone.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_paths.h"

namespace vantrel {
namespace {

using test::RunCli;
using test::RunProcess;
using test::TTempDir;

struct TByteRange {
    std::uint32_t Begin;
    std::uint32_t End;  // one past the last byte
};

// A configuration byte and the bits of it the device implements.
struct TConfigByte {
    std::uint32_t Address;
    std::uint8_t Mask;
};

struct TAssemblerCase {
    std::string Source;  // in tests/hexfile/data
    std::string Device;
    std::vector<TByteRange> Regions;     // compared byte for byte
    std::vector<TConfigByte> Config;     // compared under their masks
    std::vector<TByteRange> ErasedFill;  // holes here read as 0xFF on both sides
};

std::ostream& operator<<(std::ostream& out, const TAssemblerCase& c) {
    return out << c.Device;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The memory a HEX file describes within the device's regions, as srec_cat writes it: sorted,
// merged into uniform records, configuration bytes cut to their implemented bits.
std::string Canonical(const std::filesystem::path& file, const TAssemblerCase& c) {
    std::vector<std::string> arguments{"-disable-sequence-warnings", file.string(), "-intel",
                                       "-crop"};
    for (const TByteRange& range : c.Regions) {
        arguments.push_back(Hex(range.Begin));
        arguments.push_back(Hex(range.End));
    }
    for (const TByteRange& range : c.ErasedFill) {
        arguments.insert(arguments.end(), {"-fill", "0xFF", Hex(range.Begin), Hex(range.End)});
    }
    for (const TConfigByte& config : c.Config) {
        arguments.insert(arguments.end(), {file.string(), "-intel", "-crop", Hex(config.Address),
                                           Hex(config.Address + 1), "-and", Hex(config.Mask)});
    }
    arguments.insert(arguments.end(), {"-o", "-", "-intel", "-address-length=4"});
    const test::TProcessResult result = RunProcess("srec_cat", arguments);
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    return result.Out;
}

const std::vector<TAssemblerCase> kAssemblerCases{
    {"blink-12c508.asm",
     "12C508",
     {{0x0000, 0x0400}, {0x0400, 0x0408}},
     {{0x1FFE, 0x1F}, {0x1FFF, 0x00}},
     {}},
    {"uart-16f877a.asm",
     "16F877A",
     {{0x0000, 0x4000}, {0x4000, 0x4008}, {0x4200, 0x4400}},
     {{0x400E, 0xCF}, {0x400F, 0x2F}},
     {}},
    {"table-18f452.asm",
     "18F452",
     {{0x000000, 0x008000}, {0x200000, 0x200008}, {0x300000, 0x30000E}, {0xF00000, 0xF00100}},
     {},
     {{0x300000, 0x30000E}}},
};

class RehexAssemblerOutput : public testing::TestWithParam<TAssemblerCase> {};

TEST_P(RehexAssemblerOutput, DescribesTheSameMemoryAsTheAssemblersFile) {
    ASSERT_TRUE(test::HaveProgram("gpasm")) << "gpasm (Debian package gputils) is needed";
    ASSERT_TRUE(test::HaveProgram("srec_cat")) << "srec_cat (Debian package srecord) is needed";
    const TAssemblerCase& c = GetParam();
    TTempDir dir;
    const auto assembled = dir / "assembled.hex";
    const auto rewritten = dir / "rewritten.hex";
    const auto source = test::SourceDir() / "tests/hexfile/data" / c.Source;
    const test::TProcessResult gpasm =
        RunProcess("gpasm", {"-o", assembled.string(), source.string()});
    ASSERT_EQ(gpasm.ExitStatus, 0) << gpasm.Out << gpasm.Err;

    const test::TProcessResult rehex =
        RunCli({"-d", c.Device, "rehex", assembled.string(), "-o", rewritten.string()});
    ASSERT_EQ(rehex.ExitStatus, 0) << rehex.Err;
    EXPECT_EQ(rehex.Err, "") << "the file sets the configuration: no warning";

    const std::string expected = Canonical(assembled, c);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 4) << "the source holds data";
    EXPECT_EQ(Canonical(rewritten, c), expected);
}

INSTANTIATE_TEST_SUITE_P(Gpasm, RehexAssemblerOutput, testing::ValuesIn(kAssemblerCases),
                         [](const auto& info) { return info.param.Device; });

TEST(Rehex, WritesTheShortestFileForOneWordAndTheConfiguration) {
    TTempDir dir;
    const std::string lines = ":020000000428D2\n:02400E00F13F80\n:00000001FF\n";
    test::WriteFile(dir / "in.hex", lines);
    const test::TProcessResult result = RunCli({"-d", "16F84", "rehex", (dir / "in.hex").string()});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(result.Out, lines);
    EXPECT_EQ(result.Err, "");
}

// Bad input: exit status 2, a message on standard error, and the output file neither created
// nor touched.
struct TBadInputCase {
    std::string Title;
    std::string Device;
    std::string InputName;  // created from Content unless empty
    std::string Content;
    std::string Message;  // part of standard error
};

std::ostream& operator<<(std::ostream& out, const TBadInputCase& c) {
    return out << c.Title;
}

const std::vector<TBadInputCase> kBadInputCases{
    {"UnknownDevice", "16F999", "in.hex", ":00000001FF\n", "unknown device '16F999'"},
    {"MissingFile", "16F84", "", "", "Cannot open"},
    {"Directory", "16F84", "subdir", "", "is a directory"},
    {"MalformedHex", "16F84", "in.hex", ":020000000428D2\n:G1000000\n:00000001FF\n",
     "'$G1' is not a valid integer value"},
};

class RehexBadInput : public testing::TestWithParam<TBadInputCase> {};

TEST_P(RehexBadInput, ExitsWithTwoAndLeavesTheOutputAlone) {
    const TBadInputCase& c = GetParam();
    for (const bool outputExists : {false, true}) {
        TTempDir dir;
        std::filesystem::path input = dir / "absent.hex";
        if (c.InputName == "subdir") {
            input = dir / "subdir";
            std::filesystem::create_directory(input);
        } else if (!c.InputName.empty()) {
            input = dir / c.InputName;
            test::WriteFile(input, c.Content);
        }
        const auto output = dir / "out.hex";
        if (outputExists) {
            test::WriteFile(output, "previous content\n");
        }
        const test::TProcessResult result =
            RunCli({"-d", c.Device, "rehex", input.string(), "-o", output.string()});
        EXPECT_EQ(result.ExitStatus, 2);
        EXPECT_NE(result.Err.find(c.Message), std::string::npos) << result.Err;
        EXPECT_EQ(result.Out, "");
        if (outputExists) {
            EXPECT_EQ(test::ReadFile(output), "previous content\n");
        } else {
            EXPECT_FALSE(std::filesystem::exists(output));
        }
        std::size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            ++entries;
        }
        EXPECT_EQ(entries, (c.InputName.empty() ? 0u : 1u) + (outputExists ? 1u : 0u))
            << "no temporary file is left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, RehexBadInput, testing::ValuesIn(kBadInputCases),
                         [](const auto& info) { return info.param.Title; });

TEST(Rehex, EndlessDeviceFileIsRefusedInsteadOfReadForever) {
    const test::TProcessResult result = RunCli({"-d", "16F84", "rehex", "/dev/zero"});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_NE(result.Err.find("is larger than"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Out, "");
}

TEST(Rehex, ReplacesAnExistingOutputWithTheNewContent) {
    TTempDir dir;
    test::WriteFile(dir / "in.hex", ":020000000428D2\n:02400E00F13F80\n:00000001FF\n");
    test::WriteFile(dir / "out.hex", std::string(10000, 'x'));
    const test::TProcessResult result = RunCli(
        {"-d", "16F84", "rehex", (dir / "in.hex").string(), "-o", (dir / "out.hex").string()});
    EXPECT_EQ(result.ExitStatus, 0) << result.Err;
    EXPECT_EQ(test::ReadFile(dir / "out.hex"), test::ReadFile(dir / "in.hex"));
}

}  // namespace
}  // namespace vantrel
