#include "value_file.hpp"

#include "messages.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Closes the value file on every way out of the loader. No O_CLOEXEC: the
// program starts no other, and musl's open() adds an fcntl() call for it.
class OpenFile {
public:
    explicit OpenFile(const char* path) : descriptor_(::open(path, O_RDONLY)) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&&) = delete;
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile()
    {
        if (descriptor_ >= 0) {
            static_cast<void>(::close(descriptor_));
        }
    }

    [[nodiscard]] int get() const { return descriptor_; }

private:
    int descriptor_;
};

}  // namespace

ResultCode read_file_info(const char* path, ValueField value)
{
    if (path == nullptr) {
        message::file_argument_null();
        return ResultCode::null_argument;
    }
    const OpenFile file{path};
    if (file.get() < 0) {
        const int error = errno;
        message::file_open_failed(path, error);
        return ResultCode::open_failed;
    }
    std::fill(value.begin(), value.end(), '\0');
    // A read may return less than asked before the end (a pipe, a slow
    // device): read on until the field is full or the file ends.
    std::size_t filled = 0;
    while (filled < value.size()) {
        const ssize_t count = ::read(file.get(), value.data() + filled, value.size() - filled);
        if (count > 0) {
            filled += static_cast<std::size_t>(count);
        }
        else if (count == 0) {
            break;
        }
        else if (errno != EINTR) {
            const int error = errno;
            message::file_read_failed(error);
            return ResultCode::read_failed;
        }
    }
    return ResultCode::success;
}

std::uint32_t take_file_content(ValueField value)
{
    auto length = static_cast<std::size_t>(std::find(value.begin(), value.end(), '\0') - value.begin());
    // Only the line end that closes a text file is not part of the record.
    if (length > 0 && value[length - 1] == '\n') {
        --length;
    }
    length = std::min(length, max_value_length);
    std::fill(value.begin() + static_cast<std::ptrdiff_t>(length), value.end(), '\0');
    return static_cast<std::uint32_t>(length);
}
