#include "udp_sender.hpp"

#include "messages.hpp"

#include <sys/socket.h>

#include <cerrno>

UdpSend send_udp_datagram(const sockaddr_in& destination, std::span<const char> value,
                          SocketDescriptor& socket)
{
    // Non-blocking from the start: the same socket as setting O_NONBLOCK afterwards, in one call.
    socket.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        const int error = errno;
        message::udp_socket_failed(error);
        return UdpSend::socket_failed;
    }
    const ssize_t sent = ::sendto(socket.get(), value.data(), value.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
    if (sent <= 0) {
        const int error = errno;
        message::udp_send_failed(socket.get(), error);
        return UdpSend::not_sent;
    }
    return UdpSend::sent;
}
