// Delivery of the value as one UDP datagram over IPv4.
#pragma once

#include "socket_descriptor.hpp"

#include <netinet/in.h>

#include <cstdint>
#include <span>

enum class [[nodiscard]] UdpSend : std::uint8_t{
    sent,
    not_sent,       // reported; the run still ends with status 0
    socket_failed,  // reported; the run ends with status 1
};

// Sends the value once to the destination, from a non-blocking socket that is
// neither bound nor connected, so a full send buffer fails at once instead of
// holding the run. The socket is handed to the caller to close.
UdpSend send_udp_datagram(const sockaddr_in& destination, std::span<const char> value,
                          SocketDescriptor& socket);
