// Fuzzes loading the value from a file: the input is the file's content,
// read through a real descriptor by the program's own loader.

#include "record.hpp"
#include "value_file.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

namespace {

[[noreturn]] void fail(const char* condition, int line)
{
    std::fprintf(stderr, "fuzz_value_file.cpp:%d: check failed: %s\n", line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : fail(#condition, __LINE__))

// One memory-backed file, rewritten for every input: no disk, nothing left behind.
int file_descriptor = -1;
std::array<char, 64> file_path{};

void write_file(std::span<const std::uint8_t> content)
{
    FUZZ_CHECK(::ftruncate(file_descriptor, 0) == 0);
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t count = ::pwrite(file_descriptor, content.data() + written, content.size() - written,
                                       static_cast<off_t>(written));
        FUZZ_CHECK(count > 0);
        written += static_cast<std::size_t>(count);
    }
}

// The record a file holds, worked out from the rule rather than the code:
// what one read of the field's size sees, up to the first zero byte, less one
// closing line end, at most max_value_length bytes.
std::size_t expected_length(std::span<const std::uint8_t> content)
{
    const auto seen = content.first(std::min(content.size(), value_size));
    auto length =
        static_cast<std::size_t>(std::find(seen.begin(), seen.end(), std::uint8_t{0}) - seen.begin());
    if (length > 0 && seen[length - 1] == '\n') {
        --length;
    }
    return std::min(length, max_value_length);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    // Failures print to stdout; keep it quiet.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::abort();
    }
    file_descriptor = ::memfd_create("vexmol_value_file", MFD_CLOEXEC);
    if (file_descriptor < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    // Opening the descriptor's /proc name gives the loader a fresh file
    // position each time, as opening a path would.
    const int length = std::snprintf(file_path.data(), file_path.size(), "/proc/self/fd/%d", file_descriptor);
    if (length <= 0 || static_cast<std::size_t>(length) >= file_path.size()) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> content{data, size};
    write_file(content);

    // Stale bytes from an earlier value must not survive into this one.
    const auto value = std::make_unique<std::array<char, value_size>>();
    value->fill('#');

    FUZZ_CHECK(read_file_info(file_path.data(), *value) == ResultCode::success);
    const std::uint32_t value_len = take_file_content(*value);

    const std::size_t expected = expected_length(content);
    FUZZ_CHECK(value_len == expected);
    FUZZ_CHECK(std::memcmp(value->data(), content.data(), expected) == 0);
    FUZZ_CHECK(std::all_of(value->begin() + static_cast<std::ptrdiff_t>(expected), value->end(),
                           [](char c) { return c == '\0'; }));
    return 0;
}
