#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Splits text into lines on LF, dropping a CR before it; a final LF does not start a new line.
[[nodiscard]] std::vector<std::string> SplitLines(std::string_view text);

// Joins lines, each ended by `lineEnd` (LF, or CR LF for the files the window saves), the last
// one too.
[[nodiscard]] std::string JoinLines(const std::vector<std::string>& lines,
                                    std::string_view lineEnd = "\n");

struct TFileResult {
    bool Ok = false;
    std::string Error;  // what went wrong, with the file's name
};

// Larger files are refused: the biggest image as HEX is well under a megabyte.
inline constexpr std::size_t kMaxTextFileBytes = 64 * 1024 * 1024;

// Reads a whole file; on failure `text` is untouched and the result says why.
[[nodiscard]] TFileResult ReadTextFile(const std::filesystem::path& path, std::string& text);

// The file a write to `path` reaches: its symbolic links followed, also to a file that is not
// there yet; `path` itself when it is no link or cannot be followed.
[[nodiscard]] std::filesystem::path FollowSymbolicLinks(const std::filesystem::path& path);

// Writes the text to `path` so that nothing the user owns is lost. A regular file (or a new one)
// is written to a temporary file beside it that is then renamed over it, so it is replaced only
// by complete new content and never left half written; the replaced file keeps its permissions.
// A symbolic link is followed and its target written, the link staying a link. Devices and FIFOs
// (/dev/null, a named pipe) are written in place, as a shell's redirection would.
[[nodiscard]] TFileResult WriteTextFileAtomically(const std::filesystem::path& path,
                                                  std::string_view text);

}  // namespace vantrel
