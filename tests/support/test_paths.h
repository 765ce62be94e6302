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

// Runs the built vantrel-cli.
[[nodiscard]] TProcessResult RunCli(const std::vector<std::string>& arguments);

// True when a program is on PATH.
[[nodiscard]] bool HaveProgram(const std::string& name);

[[nodiscard]] std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace vantrel::test
