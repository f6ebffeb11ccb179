// One real send over loopback, and the failures the sender reports.

#include "udp_sender.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace {

TEST(UdpSend, SendsExactlyTheValueOnceAndReportsARefusal)
{
    const int receiver = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(receiver, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof bound;
    ASSERT_EQ(::bind(receiver, reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
    ASSERT_EQ(::getsockname(receiver, reinterpret_cast<sockaddr*>(&bound), &length), 0);

    const std::string value = "hello\nworld";
    {
        SocketDescriptor socket;
        // Only the bytes of the view go out.
        EXPECT_EQ(send_udp_datagram(bound, std::span{value}.first(5), socket), UdpSend::sent);
        EXPECT_GE(socket.get(), 0);
        // A full send buffer must fail the send, not hold the run.
        EXPECT_NE(::fcntl(socket.get(), F_GETFL) & O_NONBLOCK, 0);
    }
    std::array<char, 2048> received{};
    EXPECT_EQ(::recv(receiver, received.data(), received.size(), MSG_DONTWAIT), 5);
    EXPECT_EQ(std::string(received.data(), 5), "hello");
    EXPECT_LT(::recv(receiver, received.data(), received.size(), MSG_DONTWAIT), 0) << "one datagram only";
    ::close(receiver);

    // The kernel refuses a broadcast address on a socket not allowed to broadcast:
    // loopback's (127.255.255.255), which, unlike 255.255.255.255, has a route
    // on a machine with its network cut too.
    bound.sin_addr.s_addr = htonl(INADDR_LOOPBACK | 0x00ffffffU);
    SocketDescriptor socket;
    testing::internal::CaptureStdout();
    EXPECT_EQ(send_udp_datagram(bound, value, socket), UdpSend::not_sent);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[line:218] [main] send udp data failed! fd : " + std::to_string(socket.get())
                  + ", errno : 13, msg : Permission denied.\n");
}

TEST(UdpSend, ReportsASocketThatCannotBeMade)
{
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(9);
    destination.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    SocketDescriptor socket;
    testing::internal::CaptureStdout();
    // No new descriptor at all while the sender runs.
    const rlimit none{0, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const UdpSend result = send_udp_datagram(destination, std::string_view{"x"}, socket);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(result, UdpSend::socket_failed);
    EXPECT_LT(socket.get(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[ERROR] [line:207] [main] create udp socket failed, errno 24, msg : Too many open files.\n");
}

}  // namespace
