#include "udp_sender.hpp"

#include "messages.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

std::optional<sockaddr_in> udp_destination(const PostRequest& request)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(request.port);
    if (inet_aton(request.ipv4_address.data(), &destination.sin_addr) == 0) {
        return std::nullopt;
    }
    return destination;
}

UdpSend send_udp_datagram(const PostRequest& request, SocketDescriptor& socket)
{
    const std::optional<sockaddr_in> destination = udp_destination(request);
    if (!destination) {
        return UdpSend::not_sent;  // the checks have already refused such a text
    }
    socket.reset(::socket(AF_INET, SOCK_DGRAM, 0));
    if (socket.get() < 0) {
        const int error = errno;
        message::udp_socket_failed(error);
        return UdpSend::socket_failed;
    }
    const int flags = ::fcntl(socket.get(), F_GETFL);
    static_cast<void>(::fcntl(socket.get(), F_SETFL, flags | O_NONBLOCK));

    const ssize_t sent = ::sendto(socket.get(), request.value.data(), request.value_len, 0,
                                  reinterpret_cast<const sockaddr*>(&*destination), sizeof(*destination));
    if (sent <= 0) {
        const int error = errno;
        message::udp_send_failed(socket.get(), error);
        return UdpSend::not_sent;
    }
    return UdpSend::sent;
}
