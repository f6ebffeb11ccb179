// IPv4 addresses and their texts: reading what -i gives, writing what the
// resolver found.
#pragma once

#include <netinet/in.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The address in a dotted text as inet_aton reads it: one to four parts, each
// decimal, octal after a leading 0 or hexadecimal after 0x, the last part
// filling the bytes the others leave ("127.1" is 127.0.0.1). Unlike some
// libcs' inet_aton, nothing may follow the address, so every build of the
// program accepts the same texts. Nothing when the text is not an address.
[[nodiscard]] std::optional<in_addr> parse_ipv4_address(std::string_view text);

// An address as dotted decimal text, "0.0.0.0" to "255.255.255.255", with its terminator.
using DottedText = std::array<char, 16>;

// The text of the four bytes of an address in network order.
[[nodiscard]] DottedText dotted_text(std::span<const std::uint8_t, 4> bytes);
