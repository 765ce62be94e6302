#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <future>

#include "hexfile/text_file.h"
#include "support/test_paths.h"

// Writing an output file never loses what the user had: a regular file is replaced only by its
// complete new content and keeps its permissions, a symbolic link keeps pointing at its target,
// and a device or a FIFO is written to, never replaced by a file.

namespace vantrel {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

std::size_t EntriesIn(const fs::path& folder) {
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++entries;
    }
    return entries;
}

TEST(WriteTextFileAtomically, ReplacedFileKeepsItsPermissions) {
    test::TTempDir dir;
    for (const mode_t mode : {0600, 0640, 0755}) {
        const fs::path file = dir / "out.hex";
        test::WriteFile(file, "old\n");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        const TFileResult written = WriteTextFileAtomically(file, "new\n");
        ASSERT_TRUE(written.Ok) << written.Error;
        EXPECT_EQ(test::ReadFile(file), "new\n");
        EXPECT_EQ(ModeOf(file) & 07777, mode);
        EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left behind";
    }
}

TEST(WriteTextFileAtomically, NewFileGetsTheUsualPermissions) {
    test::TTempDir dir;
    const mode_t mask = ::umask(022);
    const TFileResult written = WriteTextFileAtomically(dir / "new.hex", "new\n");
    ::umask(mask);
    ASSERT_TRUE(written.Ok) << written.Error;
    EXPECT_EQ(ModeOf(dir / "new.hex") & 07777, 0644u);
}

TEST(WriteTextFileAtomically, SymbolicLinksAreFollowedAndStayLinks) {
    test::TTempDir dir;
    fs::create_directory(dir / "kept");
    const fs::path target = dir / "kept" / "image.hex";
    test::WriteFile(target, "old\n");
    ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
    // One link absolute, one relative to its own folder, one through the other.
    fs::create_symlink(target, dir / "absolute.hex");
    fs::create_symlink("kept/image.hex", dir / "relative.hex");
    fs::create_symlink("relative.hex", dir / "chained.hex");
    for (const char* link : {"absolute.hex", "relative.hex", "chained.hex"}) {
        const std::string content = std::string("through ") + link + "\n";
        const TFileResult written = WriteTextFileAtomically(dir / link, content);
        ASSERT_TRUE(written.Ok) << written.Error;
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
        EXPECT_EQ(test::ReadFile(target), content);
        EXPECT_EQ(ModeOf(target) & 07777, 0604u);
    }
    EXPECT_EQ(EntriesIn(dir / "kept"), 1u);

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("kept/later.hex", dir / "dangling.hex");
    ASSERT_TRUE(WriteTextFileAtomically(dir / "dangling.hex", "later\n").Ok);
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.hex"));
    EXPECT_EQ(test::ReadFile(dir / "kept" / "later.hex"), "later\n");

    fs::create_symlink("loop.hex", dir / "loop.hex");
    const TFileResult loop = WriteTextFileAtomically(dir / "loop.hex", "x\n");
    EXPECT_FALSE(loop.Ok);
    EXPECT_NE(loop.Error.find("symbolic links"), std::string::npos) << loop.Error;
}

TEST(WriteTextFileAtomically, FifoIsWrittenInPlace) {
    test::TTempDir dir;
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return test::ReadFile(fifo); });
    const TFileResult written = WriteTextFileAtomically(fifo, ":00000001FF\n");
    ASSERT_TRUE(written.Ok) << written.Error;
    EXPECT_EQ(reader.get(), ":00000001FF\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

// /dev/stdout is such a link: the kernel follows it to the pipe, reading it would not.
TEST(WriteTextFileAtomically, DescriptorLinksReachTheirPipe) {
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const TFileResult written =
        WriteTextFileAtomically("/proc/self/fd/" + std::to_string(pipe[1]), "to the pipe\n");
    ::close(pipe[1]);
    ASSERT_TRUE(written.Ok) << written.Error;
    char buffer[64] = {};
    EXPECT_EQ(::read(pipe[0], buffer, sizeof buffer), 12);
    EXPECT_STREQ(buffer, "to the pipe\n");
    ::close(pipe[0]);
}

TEST(WriteTextFileAtomically, DeviceNodesStayDevices) {
    test::TTempDir dir;
    // A node of our own where the system lets us make one, so a fault cannot replace /dev/null.
    fs::path null = dir / "null";
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        !WriteTextFileAtomically(null, "probe\n").Ok) {
        null = "/dev/null";
    }
    const TFileResult written = WriteTextFileAtomically(null, "data\n");
    ASSERT_TRUE(written.Ok) << written.Error;
    EXPECT_TRUE(fs::is_character_file(null));

    const TFileResult full = WriteTextFileAtomically("/dev/full", "data\n");
    EXPECT_FALSE(full.Ok);
    EXPECT_EQ(full.Error, "Cannot write '/dev/full': No space left on device");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(WriteTextFileAtomically, FailuresLeaveTheOldContent) {
    test::TTempDir dir;
    fs::create_directory(dir / "folder");
    const TFileResult folder = WriteTextFileAtomically(dir / "folder", "x\n");
    EXPECT_FALSE(folder.Ok);
    EXPECT_NE(folder.Error.find("is a directory"), std::string::npos) << folder.Error;
    EXPECT_TRUE(fs::is_directory(dir / "folder"));

    const TFileResult missing = WriteTextFileAtomically(dir / "no" / "such.hex", "x\n");
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error.find("Cannot create a file beside"), std::string::npos);
}

}  // namespace
}  // namespace vantrel
