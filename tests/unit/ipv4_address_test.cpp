// Reading address texts: every form inet_aton takes, and nothing more; and
// writing an address as dotted text.

#include "ipv4_address.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

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
        {"100.10.200.9", "100.10.200.9"},
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
        // The program's own dotted text, which the resolver's answer is written as.
        std::array<std::uint8_t, 4> bytes{};
        std::memcpy(bytes.data(), &address->s_addr, bytes.size());
        EXPECT_STREQ(dotted_text(bytes).data(), c.address) << c.text;

        // Where the libc agrees that this is an address, it must agree on which.
        in_addr reference{};
        ASSERT_NE(inet_aton(c.text, &reference), 0) << c.text;
        EXPECT_EQ(reference.s_addr, address->s_addr) << c.text;
    }
}

}  // namespace
