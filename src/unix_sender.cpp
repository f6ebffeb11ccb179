#include "unix_sender.hpp"

#include "messages.hpp"
#include "unix_address.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

constexpr std::optional<sockaddr_un> sender = unix_address(LOG_SOCKET_PATH);
static_assert(sender.has_value(), "the sender path fits a socket address");

// Runs that overlap share the sender path: between one run's unlink and its
// bind another may bind the name. That node belongs to a run that has bound
// already, so taking the name over loses nothing; it is tried again a few times.
constexpr int bind_attempts = 8;

// Binds the socket to the sender path, replacing any node there. Returns 0,
// or the errno of the bind that failed for good.
[[nodiscard]] int bind_sender(int descriptor)
{
    for (int attempt = 1;; ++attempt) {
        // A node left by an earlier run is in the way; none is the normal case.
        const int unlinked = ::unlink(LOG_SOCKET_PATH) == 0 ? 0 : errno;
        if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&*sender), sizeof(*sender)) == 0) {
            return 0;
        }
        const int error = errno;
        // A node the unlink could not remove (a directory, another user's
        // socket in a sticky /tmp) stays in the way: no point trying again.
        const bool raced = error == EADDRINUSE && (unlinked == 0 || unlinked == ENOENT);
        if (!raced || attempt == bind_attempts) {
            return error;
        }
    }
}

// True when the receiver path names the sender's own socket: a datagram
// sent there would come back to the sender and be lost. The spelling is
// compared first, since overlapping runs replace the node at the sender path
// at any moment and a look-up may miss it; the look-up then catches the
// other ways to the node (symlinks, "..", a relative path).
[[nodiscard]] bool is_sender_path(const char* receiver_path)
{
    if (spell_same_path(receiver_path, LOG_SOCKET_PATH)) {
        return true;
    }
    struct stat receiver {};
    struct stat own {};
    return ::stat(receiver_path, &receiver) == 0 && ::stat(LOG_SOCKET_PATH, &own) == 0
           && receiver.st_dev == own.st_dev && receiver.st_ino == own.st_ino;
}

}  // namespace

void send_unix_datagram(const sockaddr_un& receiver, std::span<const char> value, SocketDescriptor& socket)
{
    // A socket that could not be made shows up as the bind failure below.
    socket.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (const int error = bind_sender(socket.get()); error != 0) {
        message::unix_bind_failed(error);
        return;
    }
    if (is_sender_path(receiver.sun_path)) {
        message::unix_receiver_is_sender(receiver.sun_path);
        return;
    }
    const ssize_t sent = ::sendto(socket.get(), value.data(), value.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&receiver), sizeof(receiver));
    if (sent <= 0) {
        const int error = errno;
        message::unix_send_failed(socket.get(), error);
    }
}
