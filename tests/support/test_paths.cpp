#include "support/test_paths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace vantrel::test {

std::filesystem::path CliPath() {
    return VANTREL_CLI_PATH;
}
std::filesystem::path SourceDir() {
    return VANTREL_SOURCE_DIR;
}

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

TProcessResult RunProcess(const std::filesystem::path& program,
                          const std::vector<std::string>& arguments,
                          const std::string& standardInput) {
    return RunProcess(program, arguments, standardInput, TStandardOutput::Collected);
}

TProcessResult RunProcess(const std::filesystem::path& program,
                          const std::vector<std::string>& arguments,
                          const std::string& standardInput, TStandardOutput output) {
    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe(inPipe) != 0 || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    if (output != TStandardOutput::Collected) {
        // Gone before the program starts, so its very first write finds no reader.
        ::close(outPipe[0]);
        outPipe[0] = -1;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        // The program starts with the default signal handling whatever the test runner has.
        ::signal(SIGPIPE, SIG_DFL);
        ::dup2(inPipe[0], 0);
        if (output == TStandardOutput::DevFull) {
            const int full = ::open("/dev/full", O_WRONLY);
            ::dup2(full, 1);
            ::close(full);
        } else {
            ::dup2(outPipe[1], 1);
        }
        ::dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
            ::close(fd);
        }
        std::vector<char*> argv;
        std::string programText = program.string();
        argv.push_back(programText.data());
        std::vector<std::string> copies(arguments);
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    std::size_t written = 0;
    TProcessResult result;
    std::array<pollfd, 3> fds{pollfd{outPipe[0], POLLIN, 0}, pollfd{errPipe[0], POLLIN, 0},
                              pollfd{inPipe[1], POLLOUT, 0}};
    if (standardInput.empty()) {
        ::close(inPipe[1]);
        fds[2].fd = -1;
    }
    int open = outPipe[0] >= 0 ? 2 : 1;
    while (open > 0 || fds[2].fd >= 0) {
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? result.Out : result.Err).append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
        if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n =
                ::write(fds[2].fd, standardInput.data() + written, standardInput.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            }
            if (n <= 0 || written == standardInput.size()) {
                ::close(fds[2].fd);
                fds[2].fd = -1;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

TProcessResult RunCli(const std::vector<std::string>& arguments) {
    return RunProcess(CliPath(), arguments);
}

bool HaveProgram(const std::string& name) {
    return RunProcess("sh", {"-c", "command -v " + name}).ExitStatus == 0;
}

bool ToolsRequired() {
    const char* value = std::getenv("VANTREL_REQUIRE_TOOLS");
    return value != nullptr && std::string_view(value) != "" && std::string_view(value) != "0";
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace vantrel::test
