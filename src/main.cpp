// vexmol_udp_client: sends one record as one datagram, over UDP/IPv4 or a
// local Unix-domain socket, and exits.

#include "request.hpp"
#include "resolution.hpp"
#include "socket_descriptor.hpp"
#include "udp_sender.hpp"
#include "unix_sender.hpp"
#include "value_file.hpp"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>

namespace {

// stdout holds this much output before it writes: an ordinary run writes
// once, at exit, after its datagram has left.
constexpr std::size_t stdout_holds = 1024;

// glibc buffers the whole of a buffer handed to setvbuf; musl keeps its first
// 8 bytes back for ungetc and buffers the rest, so musl's is that much larger.
#ifdef __GLIBC__
constexpr std::size_t setvbuf_keeps_back = 0;
#else
constexpr std::size_t setvbuf_keeps_back = 8;
#endif

// stdout flushes after main returns, so its buffer must outlive main's frame.
std::array<char, stdout_holds + setvbuf_keeps_back> stdout_buffer;

}  // namespace

int main(int argc, char* argv[])
{
    // Line-buffered on a terminal, else one write at exit, whatever the libc's default.
    static_cast<void>(std::setvbuf(stdout, stdout_buffer.data(), isatty(STDOUT_FILENO) != 0 ? _IOLBF : _IOFBF,
                                   stdout_buffer.size()));
    static_cast<void>(std::setvbuf(stderr, nullptr, _IONBF, 0));

    // Scan, check, deliver: each step hands the next only what it needs.
    PostRequest request{};
    if (scan_command_line(std::span{argv, static_cast<std::size_t>(argc)}, request, read_file_info)
        == ScanOutcome::value_file_failed) {
        return 1;
    }

    const Delivery delivery = check_request(request, get_ip_by_domain);

    SocketDescriptor socket;
    switch (delivery.mode) {
    case Delivery::Mode::unix_domain:
        send_unix_datagram(delivery.unix_receiver, delivery.value, socket);
        break;
    case Delivery::Mode::udp:
        if (send_udp_datagram(delivery.udp_destination, delivery.value, socket) == UdpSend::socket_failed) {
            return 1;
        }
        break;
    case Delivery::Mode::none:
        break;
    }
    return 0;  // the socket, if any, is closed on the way out
}
