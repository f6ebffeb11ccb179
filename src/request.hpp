// The request record that one run builds from its command line, and the
// front end that fills and checks it.
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

// The port as written on the command line, read leniently: leading white
// space, one sign, then decimal digits up to the first other character (none
// reads as 0). A number outside 0..65535 reads as 0, which the checks report
// as a missing port, rather than wrapping to a port the user did not name.
[[nodiscard]] std::uint16_t parse_port(std::string_view text);

// The two steps the front end leaves to other parts of the program; passed in
// so the scan and the checks can be exercised without files or a resolver.
using LoadValue = ResultCode (*)(const char* path, ValueField value);
using ResolveDomain = ResultCode (*)(const char* domain, IPv4AddressField address);

enum class [[nodiscard]] ScanOutcome : std::uint8_t{
    complete,
    value_file_failed,  // reported; the run ends with status 1 and nothing after that -f was read
};

// Reads the options into the request in command-line order, never reordering
// them, and stops at the first non-option, at a lone "-" or after "--". Bad
// options are reported on stderr and skipped.
ScanOutcome scan_command_line(std::span<char* const> arguments, PostRequest& request, LoadValue load_value);

enum class [[nodiscard]] Delivery : std::uint8_t{
    none,  // a check failed and was reported
    udp,
    unix_domain,
};

// Runs the checks in their fixed order, printing the first that fails, and
// resolves the domain when no address was given. For UDP it ends by printing
// the destination line.
Delivery check_request(PostRequest& request, ResolveDomain resolve_domain);
