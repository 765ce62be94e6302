#include "cli/cli_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantrel::cli {

TDescriptorBuffer::TDescriptorBuffer(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

TDescriptorBuffer::~TDescriptorBuffer() {
    static_cast<void>(WriteBuffered());
}

bool TDescriptorBuffer::WriteBuffered() {
    const char* next = pbase();
    const char* end = pptr();
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (error_ != 0) {
        return false;
    }
    while (next < end) {
        const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(end - next));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno;
            return false;
        }
        next += written;
    }
    return true;
}

TDescriptorBuffer::int_type TDescriptorBuffer::overflow(int_type ch) {
    if (!WriteBuffered()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int TDescriptorBuffer::sync() {
    return WriteBuffered() ? 0 : -1;
}

bool IsTerminal(const std::ostream& stream) {
    const auto* buffer = dynamic_cast<const TDescriptorBuffer*>(stream.rdbuf());
    return buffer != nullptr && ::isatty(buffer->Descriptor()) != 0;
}

std::string WriteFailureReason(const std::ostream& stream) {
    const auto* buffer = dynamic_cast<const TDescriptorBuffer*>(stream.rdbuf());
    if (buffer == nullptr || buffer->Error() == 0) {
        return "write failed";
    }
    return std::strerror(buffer->Error());
}

}  // namespace vantrel::cli
