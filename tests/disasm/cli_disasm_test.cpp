#include <gtest/gtest.h>

#include <filesystem>

#include "disasm_test_support.h"
#include "hexfile/hex_writer.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

// A HEX file of a small 16F84 image, and the source that image must give.
struct TSample {
    std::string Hex;
    std::string Source;
};

TSample Sample16F84() {
    TDeviceState state = StateFor("16F84");
    PutWords(state, 0, {0x1683, 0x0186, 0x2003, 0x0008});
    state.Image.DataBuffer[0] = 0x42;
    state.Image.ConfigWord1 = 0x3FF1;
    return {Joined(BufferToHex(state.Image, state.Device())), Joined(Source(state))};
}

TEST(CliDisasm, WritesTheSourceToOutOrStandardOutput) {
    TTempDir dir;
    const TSample sample = Sample16F84();
    WriteFile(dir / "in.hex", sample.Hex);

    const TProcessResult toFile = RunCli(
        {"-d", "16F84", "disasm", (dir / "in.hex").string(), "-o", (dir / "out.asm").string()});
    EXPECT_EQ(toFile.ExitStatus, 0) << toFile.Err;
    EXPECT_EQ(toFile.Out, "");
    EXPECT_EQ(ReadFile(dir / "out.asm"), sample.Source);

    const TProcessResult toOut = RunCli({"-d", "PIC16F84", "disasm", (dir / "in.hex").string()});
    EXPECT_EQ(toOut.ExitStatus, 0) << toOut.Err;
    EXPECT_EQ(toOut.Out, sample.Source);
}

TEST(CliDisasm, RefusesPic18AndBadInputWithStatus2AndNoOutput) {
    TTempDir dir;
    WriteFile(dir / "in.hex", Sample16F84().Hex);
    const std::string out = (dir / "out.asm").string();

    const TProcessResult pic18 =
        RunCli({"-d", "18F452", "disasm", (dir / "in.hex").string(), "-o", out});
    EXPECT_EQ(pic18.ExitStatus, 2);
    EXPECT_EQ(pic18.Err, "Disassembler function\nnot currently available\non 18F series PIC's\n");

    const TProcessResult missing = RunCli({"-d", "16F84", "disasm", "/nonexistent.hex", "-o", out});
    EXPECT_EQ(missing.ExitStatus, 2);
    EXPECT_NE(missing.Err, "");

    const TProcessResult noDevice = RunCli({"disasm", (dir / "in.hex").string()});
    EXPECT_EQ(noDevice.ExitStatus, 2);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace vantrel::test
