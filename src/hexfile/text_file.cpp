#include "hexfile/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        start = next;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

TFileResult ReadTextFile(const std::filesystem::path& path, std::string& text) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return {false, "'" + path.string() + "' is a directory, not a file"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {false, "Cannot open '" + path.string() + "': " + std::strerror(errno)};
    }
    // Read in chunks up to a limit, so a device file such as /dev/zero cannot exhaust memory.
    std::string content;
    char chunk[64 * 1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (content.size() + static_cast<std::size_t>(in.gcount()) > kMaxTextFileBytes) {
            return {false, "'" + path.string() + "' is larger than " +
                               std::to_string(kMaxTextFileBytes / (1024 * 1024)) +
                               " MB; it is not a file this program reads"};
        }
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        return {false, "Cannot read '" + path.string() + "'"};
    }
    text = std::move(content);
    return {true, {}};
}

namespace {

TFileResult WriteAll(int fd, std::string_view text, const std::string& name) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {false, "Cannot write '" + name + "': " + std::strerror(errno)};
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return {true, {}};
}

}  // namespace

TFileResult WriteTextFileAtomically(const std::filesystem::path& path, std::string_view text) {
    const std::string name = path.string();
    std::string temporary = name + ".tmpXXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return {false, "Cannot create a file beside '" + name + "': " + std::strerror(errno)};
    }
    TFileResult result = WriteAll(fd, text, name);
    if (result.Ok && ::fsync(fd) != 0) {
        result = {false, "Cannot write '" + name + "': " + std::strerror(errno)};
    }
    if (::close(fd) != 0 && result.Ok) {
        result = {false, "Cannot write '" + name + "': " + std::strerror(errno)};
    }
    // mkstemp creates the file readable by its owner only; give it the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (result.Ok && ::chmod(temporary.c_str(), 0666 & ~mask) != 0) {
        result = {false, "Cannot write '" + name + "': " + std::strerror(errno)};
    }
    if (result.Ok && std::rename(temporary.c_str(), name.c_str()) != 0) {
        result = {false, "Cannot replace '" + name + "': " + std::strerror(errno)};
    }
    if (!result.Ok) {
        ::unlink(temporary.c_str());
    }
    return result;
}

}  // namespace vantrel
