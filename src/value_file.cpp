#include "value_file.hpp"

#include "messages.hpp"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { static_cast<void>(std::fclose(file)); }
};

}  // namespace

ResultCode read_file_info(const char* path, ValueField value)
{
    if (path == nullptr) {
        message::file_argument_null();
        return ResultCode::null_argument;
    }
    const std::unique_ptr<std::FILE, CloseFile> file{std::fopen(path, "r")};
    if (!file) {
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
