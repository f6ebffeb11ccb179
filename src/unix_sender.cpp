#include "unix_sender.hpp"

#include "messages.hpp"
#include "unix_address.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

constexpr std::optional<sockaddr_un> sender = unix_address(LOG_SOCKET_PATH);
static_assert(sender.has_value(), "the sender path fits a socket address");

}  // namespace

void send_unix_datagram(const sockaddr_un& receiver, std::span<const char> value, SocketDescriptor& socket)
{
    // A socket that could not be made shows up as the bind failure below.
    socket.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    // A node left by an earlier run is in the way of the bind; none is the normal case.
    static_cast<void>(::unlink(LOG_SOCKET_PATH));

    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&*sender), sizeof(*sender)) != 0) {
        const int error = errno;
        message::unix_bind_failed(error);
        return;
    }
    const ssize_t sent = ::sendto(socket.get(), value.data(), value.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&receiver), sizeof(receiver));
    if (sent <= 0) {
        const int error = errno;
        message::unix_send_failed(socket.get(), error);
    }
}
