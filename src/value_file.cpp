#include "value_file.hpp"

#include "messages.hpp"

#include <cerrno>
#include <cstdio>

namespace {

// Closes the value file on every way out of the loader.
class OpenFile {
public:
    explicit OpenFile(const char* path) : file_(std::fopen(path, "r")) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    OpenFile(OpenFile&&) = delete;
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile()
    {
        if (file_ != nullptr) {
            static_cast<void>(std::fclose(file_));
        }
    }

    [[nodiscard]] std::FILE* get() const { return file_; }

private:
    std::FILE* file_;
};

}  // namespace

ResultCode read_file_info(const char* path, ValueField value)
{
    if (path == nullptr) {
        message::file_argument_null();
        return ResultCode::null_argument;
    }
    const OpenFile file{path};
    if (file.get() == nullptr) {
        const int error = errno;
        message::file_open_failed(path, error);
        return ResultCode::open_failed;
    }
    std::fill(value.begin(), value.end(), '\0');
    // A short read is the end of a short file, or an error the stream remembers.
    const std::size_t bytes_read = std::fread(value.data(), 1, value.size(), file.get());
    const int error = errno;
    if (bytes_read < value.size() && std::ferror(file.get()) != 0) {
        message::file_read_failed(error);
        return ResultCode::read_failed;
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
