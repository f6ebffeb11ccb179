#include "ipv4_address.hpp"

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace {

[[nodiscard]] int digit_value(char c, unsigned base)
{
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    }
    else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < static_cast<int>(base) ? value : -1;
}

}  // namespace

std::optional<in_addr> parse_ipv4_address(std::string_view text)
{
    constexpr std::uint64_t max_address = 0xffffffff;
    std::array<std::uint64_t, 4> parts{};
    std::size_t count = 0;
    std::size_t position = 0;
    for (;;) {
        if (count == parts.size() || position == text.size() || digit_value(text[position], 10) < 0) {
            return std::nullopt;
        }
        unsigned base = 10;
        std::size_t digits = 0;
        if (text[position] == '0') {
            ++position;
            if (position < text.size() && (text[position] == 'x' || text[position] == 'X')) {
                base = 16;
                ++position;
            }
            else {
                base = 8;
                digits = 1;  // the 0 itself
            }
        }
        std::uint64_t part = 0;
        for (int digit = 0; position < text.size() && (digit = digit_value(text[position], base)) >= 0;
             ++position, ++digits) {
            part = part * base + static_cast<std::uint64_t>(digit);
            if (part > max_address) {
                return std::nullopt;
            }
        }
        if (digits == 0) {
            return std::nullopt;
        }
        parts[count++] = part;  // count < 4, tested above
        if (position == text.size()) {
            break;
        }
        if (text[position++] != '.') {
            return std::nullopt;
        }
    }
    // Leading parts are one byte each; the last fills the bytes they leave.
    std::uint64_t address = 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xff) {
            return std::nullopt;
        }
        address |= parts[i] << (24 - 8 * i);
    }
    const std::uint64_t last = parts[count - 1];
    if (last > (max_address >> (8 * (count - 1)))) {
        return std::nullopt;
    }
    in_addr result{};
    result.s_addr = htonl(static_cast<std::uint32_t>(address | last));
    return result;
}

DottedText dotted_text(std::span<const std::uint8_t, 4> bytes)
{
    DottedText text{};
    auto* out = text.begin();
    for (const std::uint8_t byte : bytes) {
        if (out != text.begin()) {
            *out++ = '.';
        }
        // One to three digits, without leading zeros.
        if (byte >= 100U) {
            *out++ = static_cast<char>('0' + byte / 100U);
        }
        if (byte >= 10U) {
            *out++ = static_cast<char>('0' + byte / 10U % 10U);
        }
        *out++ = static_cast<char>('0' + byte % 10U);
    }
    return text;  // zero-filled, so terminated: 15 characters at most
}
