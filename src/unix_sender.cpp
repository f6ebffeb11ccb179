#include "unix_sender.hpp"

#include "messages.hpp"
#include "unix_address.hpp"

#include <ctime>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr std::optional<sockaddr_un> sender = unix_address(LOG_SOCKET_PATH);
static_assert(sender.has_value(), "the sender path fits a socket address");

// Runs that overlap share the sender path: between one run's unlink and its
// bind another may bind the name. That node belongs to a run that has bound
// already, so taking the name over loses nothing. A slow run on a busy device
// (a slow core, a run under a tracer) can lose many such races in a row, so a
// run keeps trying as long as it keeps losing them, for up to a second,
// pausing a little longer after each.
constexpr time_t bind_retry_seconds = 1;
constexpr long first_bind_pause_ns = 50'000;       // 0.05 ms
constexpr long longest_bind_pause_ns = 5'000'000;  // 5 ms

[[nodiscard]] timespec monotonic_now()
{
    timespec now{};
    static_cast<void>(::clock_gettime(CLOCK_MONOTONIC, &now));
    return now;
}

[[nodiscard]] bool reached(const timespec& deadline)
{
    const timespec now = monotonic_now();
    return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

// Binds the socket to the sender path, replacing any node there. Returns 0,
// or the errno of the bind that failed for good.
[[nodiscard]] int bind_sender(int descriptor)
{
    std::optional<timespec> deadline;  // from the first lost race on
    long pause_ns = first_bind_pause_ns;
    for (;;) {
        // A node left by an earlier run is in the way; none is the normal case.
        const int unlinked = ::unlink(LOG_SOCKET_PATH) == 0 ? 0 : errno;
        if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&*sender), sizeof(*sender)) == 0) {
            return 0;
        }
        const int error = errno;
        // A node the unlink could not remove (a directory, another user's
        // socket in a sticky /tmp) stays in the way: no point trying again.
        const bool raced = error == EADDRINUSE && (unlinked == 0 || unlinked == ENOENT);
        if (!raced) {
            return error;
        }
        if (!deadline) {
            deadline = monotonic_now();
            deadline->tv_sec += bind_retry_seconds;
        }
        else if (reached(*deadline)) {
            return error;
        }
        const timespec pause{.tv_sec = 0, .tv_nsec = pause_ns};
        static_cast<void>(::nanosleep(&pause, nullptr));
        pause_ns = std::min(2 * pause_ns, longest_bind_pause_ns);
    }
}

// Connects the socket to the receiver and asks which name the peer is bound
// to. The datagram then goes to exactly the peer that was checked, however
// the path reaches its node (a symlink, "..", a relative path, a bind mount)
// and whatever overlapping runs do to the node at the sender path meanwhile.
struct Connection {
    int error = 0;           // errno of the connect or getpeername that failed
    bool to_sender = false;  // the peer is bound to the sender path: nobody reads there
};

[[nodiscard]] Connection connect_to(int descriptor, const sockaddr_un& receiver)
{
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&receiver), sizeof(receiver)) != 0) {
        return {.error = errno};
    }
    sockaddr_un peer{};
    socklen_t length = sizeof(peer);
    if (::getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return {.error = errno};
    }
    // The name as the peer bound it: runs bind the sender path spelt just so,
    // other processes may spell it with "//" or "/./".
    constexpr std::size_t path_offset = offsetof(sockaddr_un, sun_path);
    const std::size_t path_length = std::clamp<std::size_t>(length, path_offset, sizeof(peer)) - path_offset;
    const std::string_view name{peer.sun_path, ::strnlen(peer.sun_path, path_length)};
    return {.to_sender = spell_same_path(name, LOG_SOCKET_PATH)};
}

// With stdout closed at start the socket would take its descriptor, and a
// full stdout buffer would then be written into the connected socket, to the
// receiver. Such a socket moves up; the copy failing shows as a failed bind.
[[nodiscard]] int clear_of_standard_streams(int descriptor)
{
    if (descriptor != STDOUT_FILENO && descriptor != STDERR_FILENO) {
        return descriptor;
    }
    const int moved = ::fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    static_cast<void>(::close(descriptor));
    return moved;
}

// A receiver that closes after the connect, or while the run waits on its
// full queue (a log daemon restarting), makes the send fail with
// ECONNREFUSED; its successor at the path is connected to and checked anew.
constexpr int send_attempts = 8;

}  // namespace

void send_unix_datagram(const sockaddr_un& receiver, std::span<const char> value, SocketDescriptor& socket)
{
    // A socket that could not be made shows up as the bind failure below.
    socket.reset(clear_of_standard_streams(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)));
    if (const int error = bind_sender(socket.get()); error != 0) {
        message::unix_bind_failed(error);
        return;
    }
    // A path spelt as the sender's is refused at once, whatever node other
    // runs have just put there; every other way to it meets the peer check.
    if (spell_same_path(receiver.sun_path, LOG_SOCKET_PATH)) {
        message::unix_receiver_is_sender(receiver.sun_path);
        return;
    }
    for (int attempt = 1;; ++attempt) {
        // Failing to reach the receiver, or to learn who it is, is a failed send.
        const Connection connection = connect_to(socket.get(), receiver);
        if (connection.error != 0) {
            message::unix_send_failed(socket.get(), connection.error);
            return;
        }
        // A datagram sent to a sender socket, this run's own or another's, is lost.
        if (connection.to_sender) {
            message::unix_receiver_is_sender(receiver.sun_path);
            return;
        }
        if (::send(socket.get(), value.data(), value.size(), 0) > 0) {
            return;
        }
        const int error = errno;
        if (error != ECONNREFUSED || attempt == send_attempts) {
            message::unix_send_failed(socket.get(), error);
            return;
        }
    }
}
