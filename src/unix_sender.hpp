// Delivery of the value as one datagram over a local Unix-domain socket.
#pragma once

#include "request.hpp"
#include "socket_descriptor.hpp"

#include <sys/un.h>

#include <cstddef>

// The sender is bound to this fixed path so receivers can tell who wrote.
// The node is replaced by each run and left in place afterwards.
inline constexpr const char* LOG_SOCKET_PATH = "/tmp/vexmol_log_fd";

// The longest path a socket address holds with its terminator.
inline constexpr std::size_t unix_path_limit = sizeof(sockaddr_un{}.sun_path) - 1;

// Binds a blocking socket to LOG_SOCKET_PATH and sends the first value_len
// bytes of the value once to the receiver at the request's path, which must
// fit unix_path_limit. Failures are reported and leave the run's status at 0;
// the socket is handed to the caller to close.
void send_unix_datagram(const PostRequest& request, SocketDescriptor& socket);
