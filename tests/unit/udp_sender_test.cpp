// Reading the address text, and one real send over loopback.

#include "udp_sender.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <array>
#include <string>

namespace {

TEST(Ipv4Address, ReadsTheFormsOfInetAtonAndNothingElse)
{
    const struct {
        const char* text;
        const char* address;  // nullptr: refused
    } cases[] = {
        {"127.0.0.1", "127.0.0.1"},
        {"127.1", "127.0.0.1"},
        {"0x7f.1", "127.0.0.1"},
        {"0X7F.0.0.0x1", "127.0.0.1"},
        {"017.0.0.1", "15.0.0.1"},
        {"00", "0.0.0.0"},
        {"0.0.0.0", "0.0.0.0"},
        {"255.255.255.255", "255.255.255.255"},
        {"4294967295", "255.255.255.255"},
        {"1.16777215", "1.255.255.255"},
        {"1.2.65535", "1.2.255.255"},
        {"4294967296", nullptr},
        {"99999999999999999999999", nullptr},
        {"1.16777216", nullptr},
        {"1.2.65536", nullptr},
        {"1.2.3.256", nullptr},
        {"256.0.0.1", nullptr},
        {"1.2.3.4.5", nullptr},
        {"08", nullptr},
        {"0x", nullptr},
        {"0xg", nullptr},
        {"1.", nullptr},
        {".1", nullptr},
        {"1..2", nullptr},
        {"+1", nullptr},
        {" 1.2.3.4", nullptr},
        {"1.2.3.4 ", nullptr},
        {"1.2.3.4 junk", nullptr},
        {"localhost", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto address = parse_ipv4_address(c.text);
        if (c.address == nullptr) {
            EXPECT_FALSE(address.has_value()) << c.text;
            continue;
        }
        ASSERT_TRUE(address.has_value()) << c.text;
        std::array<char, INET_ADDRSTRLEN> text{};
        ASSERT_NE(inet_ntop(AF_INET, &*address, text.data(), text.size()), nullptr);
        EXPECT_STREQ(text.data(), c.address) << c.text;

        // Where the libc agrees that this is an address, it must agree on which.
        in_addr reference{};
        ASSERT_NE(inet_aton(c.text, &reference), 0) << c.text;
        EXPECT_EQ(reference.s_addr, address->s_addr) << c.text;
    }
}

TEST(UdpDestination, CarriesThePortInNetworkOrder)
{
    PostRequest request{};
    ASSERT_TRUE(store_text(request.ipv4_address, "127.1"));
    request.port = 5140;
    const auto destination = udp_destination(request);
    ASSERT_TRUE(destination.has_value());
    EXPECT_EQ(destination->sin_family, AF_INET);
    EXPECT_EQ(ntohs(destination->sin_port), 5140);
    EXPECT_EQ(ntohl(destination->sin_addr.s_addr), 0x7f000001U);

    ASSERT_TRUE(store_text(request.ipv4_address, "localhost"));
    EXPECT_FALSE(udp_destination(request).has_value());
}

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

    PostRequest request{};
    ASSERT_TRUE(store_text(request.ipv4_address, "127.0.0.1"));
    request.port = ntohs(bound.sin_port);
    ASSERT_TRUE(store_text(request.value, "hello\nworld"));
    request.value_len = 5;  // only what value_len says goes out
    {
        SocketDescriptor socket;
        EXPECT_EQ(send_udp_datagram(request, socket), UdpSend::sent);
        EXPECT_GE(socket.get(), 0);
    }
    std::array<char, 2048> received{};
    EXPECT_EQ(::recv(receiver, received.data(), received.size(), MSG_DONTWAIT), 5);
    EXPECT_EQ(std::string(received.data(), 5), "hello");
    EXPECT_LT(::recv(receiver, received.data(), received.size(), MSG_DONTWAIT), 0) << "one datagram only";
    ::close(receiver);

    // The kernel refuses the broadcast address on a socket not allowed to broadcast.
    ASSERT_TRUE(store_text(request.ipv4_address, "255.255.255.255"));
    SocketDescriptor socket;
    testing::internal::CaptureStdout();
    EXPECT_EQ(send_udp_datagram(request, socket), UdpSend::not_sent);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[line:218] [main] send udp data failed! fd : " + std::to_string(socket.get())
                  + ", errno : 13, msg : Permission denied.\n");
}

TEST(UdpSend, ReportsASocketThatCannotBeMade)
{
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    PostRequest request{};
    ASSERT_TRUE(store_text(request.ipv4_address, "127.0.0.1"));
    request.port = 9;
    ASSERT_TRUE(store_text(request.value, "x"));
    request.value_len = 1;
    SocketDescriptor socket;
    testing::internal::CaptureStdout();
    // No new descriptor at all while the sender runs.
    const rlimit none{0, saved.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const UdpSend result = send_udp_datagram(request, socket);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_EQ(result, UdpSend::socket_failed);
    EXPECT_LT(socket.get(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[ERROR] [line:207] [main] create udp socket failed, errno 24, msg : Too many open files.\n");
}

}  // namespace
