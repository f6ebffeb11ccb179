// Delivery of the value as one datagram over a local Unix-domain socket.
#pragma once

#include "socket_descriptor.hpp"

#include <sys/un.h>

#include <span>

// The sender is bound to this fixed path so receivers can tell who wrote.
// The node is replaced by each run and left in place afterwards.
inline constexpr const char* LOG_SOCKET_PATH = "/tmp/vexmol_log_fd";

// Binds a blocking socket to LOG_SOCKET_PATH and sends the value once to the
// receiver. Failures are reported and leave the run's status at 0; the socket
// is handed to the caller to close.
void send_unix_datagram(const sockaddr_un& receiver, std::span<const char> value, SocketDescriptor& socket);
