// Resolution through the machine's own resolver, only for names that never
// leave it: the hosts file and numeric texts. Names that need a custom hosts
// file or a dead name server are tested end to end in a private mount namespace.

#include "resolution.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Resolution, GivesDottedTextForLocalNames)
{
    const struct {
        const char* domain;
        const char* address;
    } cases[] = {
        {"localhost", "127.0.0.1"},
        {"127.0.0.9", "127.0.0.9"},
    };
    for (const auto& c : cases) {
        PostRequest request{};
        EXPECT_EQ(get_ip_by_domain(c.domain, request.ipv4_address), ResultCode::success) << c.domain;
        EXPECT_EQ(text_of(request.ipv4_address), c.address);
    }

    PostRequest request{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(get_ip_by_domain(nullptr, request.ipv4_address), ResultCode::null_argument);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[ERROR] [line:64] [get_ip_by_domain] the argument point is NULL!\n");
}

}  // namespace
