// Delivery of the value as one UDP datagram over IPv4.
#pragma once

#include "request.hpp"
#include "socket_descriptor.hpp"

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string_view>

// The address in a dotted text as inet_aton reads it: one to four parts, each
// decimal, octal after a leading 0 or hexadecimal after 0x, the last part
// filling the bytes the others leave ("127.1" is 127.0.0.1). Unlike some
// libcs' inet_aton, nothing may follow the address, so every build of the
// program accepts the same texts.
[[nodiscard]] std::optional<in_addr> parse_ipv4_address(std::string_view text);

// The socket address for the request's address text and port, or nothing when
// the text is not an IPv4 address. Short forms keep their usual meaning:
// "127.1" is 127.0.0.1.
[[nodiscard]] std::optional<sockaddr_in> udp_destination(const PostRequest& request);

enum class [[nodiscard]] UdpSend : std::uint8_t{
    sent,
    not_sent,       // reported; the run still ends with status 0
    socket_failed,  // reported; the run ends with status 1
};

// Sends the first value_len bytes of the value once, from a non-blocking socket
// that is neither bound nor connected, so a full send buffer fails at once
// instead of holding the run. The socket is handed to the caller to close.
UdpSend send_udp_datagram(const PostRequest& request, SocketDescriptor& socket);
