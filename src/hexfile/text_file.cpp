#include "hexfile/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <random>
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

std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
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

// Symbolic links followed before a file is written: as many as the kernel follows itself.
constexpr int kMaxLinkHops = 40;
constexpr int kTemporaryNameTries = 100;
constexpr mode_t kNewFileMode = 0666;  // less the umask, which the kernel applies on creation
constexpr mode_t kPermissionBits = 07777;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

TFileResult WriteAll(int fd, std::string_view text, const std::string& name) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {false, "Cannot write '" + name + "': " + ErrnoText(errno)};
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return {true, {}};
}

// What a path names once its symbolic links are followed: the file to write, and its status
// when it exists. A link to a file that does not exist yet names the file to create.
struct TWriteTarget {
    std::filesystem::path Path;
    std::optional<struct stat> Status;
    int Error = 0;  // errno when the path cannot be followed
};

TWriteTarget FollowLinks(const std::filesystem::path& path) {
    TWriteTarget target{path, std::nullopt, 0};
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(target.Path.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                target.Error = errno;
            }
            return target;
        }
        if (!S_ISLNK(status.st_mode)) {
            target.Status = status;
            return target;
        }
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(target.Path, ec);
        if (ec) {
            target.Error = ec.value();
            return target;
        }
        target.Path = link.is_absolute() ? link : target.Path.parent_path() / link;
    }
    target.Error = ELOOP;
    return target;
}

// Devices and FIFOs are written as they are: renaming a file over /dev/null would replace the
// device node, and a reader on a FIFO waits for the data, not for a new file.
TFileResult WriteInPlace(const std::filesystem::path& path, std::string_view text,
                         const std::string& name) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return {false, "Cannot open '" + name + "': " + ErrnoText(errno)};
    }
    TFileResult result = WriteAll(fd, text, name);
    if (::close(fd) != 0 && result.Ok) {
        result = {false, "Cannot write '" + name + "': " + ErrnoText(errno)};
    }
    return result;
}

// A new file beside `path`, created with the usual permissions; -1 with errno set when none
// can be made.
int CreateTemporaryBeside(const std::filesystem::path& path, std::string& temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        std::ostringstream name;
        name << path.string() << ".tmp" << std::hex << random();
        temporary = name.str();
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// The replaced file keeps its permissions and, where the system allows it, its owner.
int KeepAttributes(int fd, const struct stat& original) {
    // The owner first: changing it may clear mode bits that the second call sets again.
    static_cast<void>(::fchown(fd, original.st_uid, original.st_gid));
    return ::fchmod(fd, original.st_mode & kPermissionBits) == 0 ? 0 : errno;
}

// Makes the rename itself survive a power cut; a folder that cannot be synced is no failure.
void SyncFolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static_cast<void>(::fsync(fd));
        ::close(fd);
    }
}

TFileResult ReplaceByRename(const TWriteTarget& target, std::string_view text,
                            const std::string& name) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(target.Path, temporary);
    if (fd < 0) {
        return {false, "Cannot create a file beside '" + name + "': " + ErrnoText(errno)};
    }
    TFileResult result = WriteAll(fd, text, name);
    if (result.Ok && target.Status) {
        if (const int error = KeepAttributes(fd, *target.Status); error != 0) {
            result = {false, "Cannot write '" + name + "': " + ErrnoText(error)};
        }
    }
    if (result.Ok && ::fsync(fd) != 0) {
        result = {false, "Cannot write '" + name + "': " + ErrnoText(errno)};
    }
    if (::close(fd) != 0 && result.Ok) {
        result = {false, "Cannot write '" + name + "': " + ErrnoText(errno)};
    }
    if (result.Ok && std::rename(temporary.c_str(), target.Path.c_str()) != 0) {
        result = {false, "Cannot replace '" + name + "': " + ErrnoText(errno)};
    }
    if (!result.Ok) {
        ::unlink(temporary.c_str());
        return result;
    }
    SyncFolderOf(target.Path);
    return result;
}

}  // namespace

std::filesystem::path FollowSymbolicLinks(const std::filesystem::path& path) {
    const TWriteTarget target = FollowLinks(path);
    return target.Error == 0 ? target.Path : path;
}

TFileResult WriteTextFileAtomically(const std::filesystem::path& path, std::string_view text) {
    const std::string name = path.string();
    // Asked of the kernel first, through every link: /dev/stdout and /proc/self/fd/N name a
    // pipe or a terminal by a link that reading it cannot follow.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
        !S_ISDIR(status.st_mode)) {
        return WriteInPlace(path, text, name);
    }
    const TWriteTarget target = FollowLinks(path);
    if (target.Error != 0) {
        return {false, "Cannot write '" + name + "': " + ErrnoText(target.Error)};
    }
    if (target.Status && S_ISDIR(target.Status->st_mode)) {
        return {false, "'" + name + "' is a directory, not a file"};
    }
    if (target.Status && !S_ISREG(target.Status->st_mode)) {
        return WriteInPlace(target.Path, text, name);
    }
    return ReplaceByRename(target, text, name);
}

}  // namespace vantrel
