#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::test {

// The built command-line program.
[[nodiscard]] std::filesystem::path CliPath();

// The repository root, for sample and source files used by tests.
[[nodiscard]] std::filesystem::path SourceDir();

// A fresh empty directory for one test's files, removed when the object goes.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

struct TProcessResult {
    int ExitStatus = -1;
    std::string Out;
    std::string Err;
};

// Runs a program with arguments (no shell) and collects its output and exit status.
[[nodiscard]] TProcessResult RunProcess(const std::filesystem::path& program,
                                        const std::vector<std::string>& arguments,
                                        const std::string& standardInput = {});

// Where a program's standard output goes.
enum class TStandardOutput {
    Collected,   // a pipe read into TProcessResult::Out
    DevFull,     // /dev/full: every write fails with ENOSPC
    ClosedPipe,  // a pipe whose reader has gone: every write raises SIGPIPE and fails with EPIPE
};

[[nodiscard]] TProcessResult RunProcess(const std::filesystem::path& program,
                                        const std::vector<std::string>& arguments,
                                        const std::string& standardInput, TStandardOutput output);

// Runs the built vantrel-cli.
[[nodiscard]] TProcessResult RunCli(const std::vector<std::string>& arguments);

// True when a program is on PATH.
[[nodiscard]] bool HaveProgram(const std::string& name);

// True where every outside tool the tests compare with must be there (./test.sh and CI set
// VANTREL_REQUIRE_TOOLS through the test presets): a missing tool then fails the test, where a
// plain ctest on a developer's machine skips it.
[[nodiscard]] bool ToolsRequired();

}  // namespace vantrel::test

// Skips the test, or fails it where the tools are required, when `available` is false;
// `missing` says what is missing and which Debian package brings it.
#define VANTREL_REQUIRE_TOOL(available, missing)        \
    do {                                                \
        if (!(available)) {                             \
            if (::vantrel::test::ToolsRequired()) {     \
                FAIL() << (missing) << " is missing";   \
            }                                           \
            GTEST_SKIP() << (missing) << " is missing"; \
        }                                               \
    } while (false)

namespace vantrel::test {

[[nodiscard]] std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace vantrel::test
