// Resolution through the machine's own resolver, only for names that never
// leave it: the hosts file and numeric texts. Names that need a custom hosts
// file or a dead name server are tested end to end in a private mount
// namespace. Answers too large for the usual buffer come from a stand-in
// lookup, since no resolver here gives one on demand.

#include "resolution.hpp"

#include "machine_hosts.hpp"

#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

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
    const bool knows_localhost = machine_hosts_name("localhost");
    for (const auto& c : cases) {
        if (!knows_localhost && std::string{c.domain} == "localhost") {
            continue;  // reported below, once the other rows have run
        }
        PostRequest request{};
        EXPECT_EQ(get_ip_by_domain(c.domain, request.ipv4_address), ResultCode::success) << c.domain;
        EXPECT_EQ(text_of(request.ipv4_address), c.address);
    }

    PostRequest request{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(get_ip_by_domain(nullptr, request.ipv4_address), ResultCode::null_argument);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[ERROR] [line:64] [get_ip_by_domain] the argument point is NULL!\n");
    if (!knows_localhost) {
        GTEST_SKIP() << "localhost left out: this machine's /etc/hosts does not name it";
    }
}

// The stand-in's answer: 192.0.2.7 when the buffer holds `needs` bytes, else
// ERANGE with the error left alone (as musl does) or set (as glibc does).
struct StandIn {
    std::size_t needs = 0;
    int status = 0;          // when the answer fits: 0, or the failure's own status
    int resolver_error = 0;  // when the answer fits and status is not 0
    int error_on_erange = 0;
    std::vector<std::size_t> sizes{};  // of every buffer it was given
};
StandIn stand_in;

int stand_in_lookup(const char* /*name*/, hostent* entry, char* buffer, std::size_t size, hostent** found,
                    int* resolver_error)
{
    stand_in.sizes.push_back(size);
    *found = nullptr;
    if (size < stand_in.needs) {
        if (stand_in.error_on_erange != 0) {
            *resolver_error = stand_in.error_on_erange;
        }
        return ERANGE;
    }
    if (stand_in.status != 0) {
        *resolver_error = stand_in.resolver_error;
        return stand_in.status;
    }
    // The whole entry in the buffer, as the libcs lay it out: the list, then the address.
    const unsigned char address[4] = {192, 0, 2, 7};
    auto* list = reinterpret_cast<char**>(buffer);
    std::memcpy(buffer + 2 * sizeof(char*), address, sizeof address);
    list[0] = buffer + 2 * sizeof(char*);
    list[1] = nullptr;
    entry->h_addrtype = AF_INET;
    entry->h_length = 4;
    entry->h_addr_list = list;
    *found = entry;
    return 0;
}

TEST(Resolution, RetriesAnAnswerTooLargeForTheBufferAndNeverCallsItNotFound)
{
    const std::string failed = "[ERROR] [line:75] [get_ip_by_domain] get ip failed by big.test! errno : ";
    const struct {
        StandIn answer;
        ResultCode result;
        std::string out;
        std::vector<std::size_t> sizes;
    } cases[] = {
        {{.needs = 1024}, ResultCode::success, "", {1024}},
        {{.needs = 1025}, ResultCode::success, "", {1024, 65536}},
        {{.needs = 65536, .error_on_erange = NETDB_INTERNAL}, ResultCode::success, "", {1024, 65536}},
        // Too large even for the largest buffer: a resolver failure, not "host not found".
        {{.needs = 65537},
         ResultCode::failure,
         failed + std::to_string(NO_RECOVERY) + ", msg : " + hstrerror(NO_RECOVERY) + ".\n",
         {1024, 65536}},
        {{.needs = 65537, .error_on_erange = NETDB_INTERNAL},
         ResultCode::failure,
         failed + std::to_string(NO_RECOVERY) + ", msg : " + hstrerror(NO_RECOVERY) + ".\n",
         {1024, 65536}},
        // Failures that are not about the buffer are reported at once, with the resolver's own error.
        {{.status = ENOENT, .resolver_error = HOST_NOT_FOUND},
         ResultCode::failure,
         failed + std::to_string(HOST_NOT_FOUND) + ", msg : " + hstrerror(HOST_NOT_FOUND) + ".\n",
         {1024}},
        {{.status = EAGAIN, .resolver_error = TRY_AGAIN},
         ResultCode::failure,
         failed + std::to_string(TRY_AGAIN) + ", msg : " + hstrerror(TRY_AGAIN) + ".\n",
         {1024}},
        {{.needs = 2048, .status = EAGAIN, .resolver_error = TRY_AGAIN},
         ResultCode::failure,
         failed + std::to_string(TRY_AGAIN) + ", msg : " + hstrerror(TRY_AGAIN) + ".\n",
         {1024, 65536}},
        {{.status = ENOENT},
         ResultCode::failure,
         failed + std::to_string(HOST_NOT_FOUND) + ", msg : " + hstrerror(HOST_NOT_FOUND) + ".\n",
         {1024}},
    };
    for (const auto& c : cases) {
        stand_in = c.answer;
        PostRequest request{};
        testing::internal::CaptureStdout();
        EXPECT_EQ(first_address_of("big.test", request.ipv4_address, stand_in_lookup), c.result) << c.out;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out);
        EXPECT_EQ(text_of(request.ipv4_address), c.result == ResultCode::success ? "192.0.2.7" : "") << c.out;
        EXPECT_EQ(stand_in.sizes, c.sizes) << c.out;
    }
}

}  // namespace
