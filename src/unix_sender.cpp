#include "unix_sender.hpp"

#include "messages.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

// The whole address record is passed with its full size, path terminated
// inside it; a path that does not fit gives no address, never a cut one.
[[nodiscard]] std::optional<sockaddr_un> unix_address(std::string_view path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (!store_text(address.sun_path, path)) {
        return std::nullopt;
    }
    return address;
}

}  // namespace

void send_unix_datagram(const PostRequest& request, SocketDescriptor& socket)
{
    const std::optional<sockaddr_un> receiver = unix_address(text_of(request.unix_domain));
    const std::optional<sockaddr_un> sender = unix_address(LOG_SOCKET_PATH);
    if (!receiver || !sender) {
        return;  // the checks have already refused such a path
    }
    // A socket that could not be made shows up as the bind failure below.
    socket.reset(::socket(AF_UNIX, SOCK_DGRAM, 0));
    // A node left by an earlier run is in the way of the bind; none is the normal case.
    static_cast<void>(::unlink(LOG_SOCKET_PATH));

    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&*sender), sizeof(*sender)) != 0) {
        const int error = errno;
        message::unix_bind_failed(error);
        return;
    }
    const ssize_t sent = ::sendto(socket.get(), request.value.data(), request.value_len, 0,
                                  reinterpret_cast<const sockaddr*>(&*receiver), sizeof(*receiver));
    if (sent <= 0) {
        const int error = errno;
        message::unix_send_failed(socket.get(), error);
    }
}
