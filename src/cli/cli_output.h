#pragma once

#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace vantrel::cli {

// An output buffer on a file descriptor (the program's standard output or error) that remembers
// why its first write failed, so a full disk or a closed pipe is reported with its reason
// instead of being lost. Once a write has failed, everything after it is refused: the stream
// turns bad and stays so.
class TDescriptorBuffer final : public std::streambuf {
  public:
    explicit TDescriptorBuffer(int fd);
    ~TDescriptorBuffer() override;
    TDescriptorBuffer(const TDescriptorBuffer&) = delete;
    TDescriptorBuffer& operator=(const TDescriptorBuffer&) = delete;

    [[nodiscard]] int Descriptor() const { return fd_; }
    // The errno of the first write that failed; 0 while none has.
    [[nodiscard]] int Error() const { return error_; }

  protected:
    int_type overflow(int_type ch) override;
    int sync() override;

  private:
    static constexpr std::size_t kBufferSize = 4096;

    [[nodiscard]] bool WriteBuffered();

    int fd_;
    int error_ = 0;
    std::array<char, kBufferSize> buffer_{};
};

// An ostream over a TDescriptorBuffer.
class TDescriptorStream final : public std::ostream {
  public:
    explicit TDescriptorStream(int fd) : std::ostream(nullptr), buffer_(fd) { rdbuf(&buffer_); }

  private:
    TDescriptorBuffer buffer_;
};

// True when `stream` writes to a terminal: only a stream on a descriptor can.
[[nodiscard]] bool IsTerminal(const std::ostream& stream);

// Why writing to `stream` failed, as strerror says it ("No space left on device"); a stream that
// is not on a descriptor gives a plain "write failed".
[[nodiscard]] std::string WriteFailureReason(const std::ostream& stream);

}  // namespace vantrel::cli
