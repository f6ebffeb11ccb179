// The request record that one run builds from its command line: fixed-size,
// zero-filled text fields, and the result code of the steps that fill them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

inline constexpr std::size_t ipv4_address_size = 32;
inline constexpr std::size_t domain_size = 128;
inline constexpr std::size_t unix_domain_size = 128;
inline constexpr std::size_t value_size = 1024;
inline constexpr std::size_t file_path_size = 128;

// A value always leaves room for its terminator.
inline constexpr std::size_t max_value_length = value_size - 1;

// Result of the loader and the resolver. Callers only ever test it against success.
enum class [[nodiscard]] ResultCode : std::uint8_t{
    success = 0, failure = 1, null_argument = 2, open_failed = 4, read_failed = 32,
};

// Zero-filled before the scan; every text field stays terminated inside its size.
struct PostRequest {
    std::array<char, ipv4_address_size> ipv4_address{};
    std::array<char, domain_size> domain{};
    std::uint16_t port{};
    std::array<char, unix_domain_size> unix_domain{};
    std::array<char, value_size> value{};
    std::uint32_t value_len{};
    std::array<char, file_path_size> file_path{};
};

using IPv4AddressField = std::span<char, ipv4_address_size>;
using ValueField = std::span<char, value_size>;

// The text held by a field: the bytes before its first zero byte.
[[nodiscard]] inline std::string_view text_of(std::span<const char> field)
{
    const auto end = std::find(field.begin(), field.end(), '\0');
    return {field.data(), static_cast<std::size_t>(end - field.begin())};
}

[[nodiscard]] inline bool is_empty(std::span<const char> field)
{
    return field.empty() || field.front() == '\0';
}

// Stores the text with its terminator and clears the rest of the field.
// Returns false, leaving the field as it was, when the text does not fit.
[[nodiscard]] inline bool store_text(std::span<char> field, std::string_view text)
{
    if (text.size() >= field.size()) {
        return false;
    }
    const auto end = std::copy(text.begin(), text.end(), field.begin());
    std::fill(end, field.end(), '\0');
    return true;
}
