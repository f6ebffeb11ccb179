// Loading the value from a file named with -f.
#pragma once

#include "record.hpp"

#include <cstdint>

// Clears the value and reads the file's first bytes into it, as many as the
// field holds or the whole of a shorter file. Prints its own failure and
// returns open_failed or read_failed; the file is closed on every path.
[[nodiscard]] ResultCode read_file_info(const char* path, ValueField value);

// Settles a freshly read value and returns the number of bytes to send: the
// bytes before the first zero byte, less one trailing line end, at most
// max_value_length. Everything after them is cleared, so the value is always
// terminated text and an empty file gives an empty value.
[[nodiscard]] std::uint32_t take_file_content(ValueField value);
