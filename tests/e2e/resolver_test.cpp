// Destinations by name through the real system resolver, with a hosts file
// and a name server of the test's own: the program runs in a private mount
// namespace where they are bound over /etc/hosts and /etc/resolv.conf. The
// name server is 127.0.0.1, where nothing answers, so no query leaves the
// machine and a name missing from the hosts file fails quickly.

#include "cases.hpp"
#include "temporary_directory.hpp"

#include <cstdlib>
#include <fstream>

namespace e2e {
namespace {

class Resolver : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream{directory_.path() / "hosts"} << "127.0.0.1 localhost\n"
                                                      "127.0.0.2 multi.test\n"
                                                      "127.0.0.1 multi.test\n"
                                                      "127.0.0.3 other.test\n";
        std::ofstream{directory_.path() / "resolv.conf"} << "nameserver 127.0.0.1\n"
                                                            "options timeout:1 attempts:1\n";
        options_.wrapper = {"unshare",
                            "--mount",
                            "--",
                            "sh",
                            "-c",
                            "mount --bind \"$0\" /etc/hosts && mount --bind \"$1\" /etc/resolv.conf && shift "
                            "&& exec \"$@\"",
                            (directory_.path() / "hosts").string(),
                            (directory_.path() / "resolv.conf").string()};
        // The same wrapper around a harmless command tells whether this machine allows it.
        const std::string probe = "unshare --mount -- sh -c 'mount --bind \"$0\" /etc/hosts' "
                                  + (directory_.path() / "hosts").string() + " >/dev/null 2>&1";
        if (std::system(probe.c_str()) != 0) {
            GTEST_SKIP()
                << "a private mount namespace with a bind mount over /etc/hosts is not permitted here "
                   "(needs root, or unshare and mount)";
        }
    }

    TemporaryDirectory directory_;
    RunOptions options_;
};

TEST_F(Resolver, UsesTheFirstAddressOfTheHostEntry)
{
    UdpReceiver second{"127.0.0.2"};
    UdpReceiver first{"127.0.0.1", second.port()};
    const auto result =
        run_client({"-d", "multi.test", "-p", std::to_string(second.port()), "-v", "x"}, options_);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "destination address : 127.0.0.2:" + std::to_string(second.port()) + ".\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(second.take(), std::vector<std::string>{"x"});
    EXPECT_TRUE(first.take().empty());
}

TEST_F(Resolver, ReportsANameThatDoesNotResolve)
{
    UdpReceiver receiver;
    const auto result =
        run_client({"-d", "no.such.name.test", "-p", std::to_string(receiver.port()), "-v", "x"}, options_);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(matches(
        "[ERROR] [line:75] [get_ip_by_domain] get ip failed by no.such.name.test! errno : {*}, msg : {*}.\n"
        "[line:199] [main] get ipv4 address by domain failed!\n",
        result.out))
        << result.out;
    EXPECT_EQ(result.out.find("Success"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("errno : 0,"), std::string::npos) << result.out;
    EXPECT_TRUE(receiver.take().empty());
}

TEST_F(Resolver, EchoesOddBytesInTheNameEscaped)
{
    UdpReceiver receiver;
    const auto result = run_client(
        {"-d", "bad\nname\x1b[1m\x7f\\", "-p", std::to_string(receiver.port()), "-v", "x"}, options_);
    EXPECT_TRUE(matches("[ERROR] [line:75] [get_ip_by_domain] get ip failed by bad\\x0aname\\x1b[1m\\x7f\\! "
                        "errno : {*}, msg : {*}.\n"
                        "[line:199] [main] get ipv4 address by domain failed!\n",
                        result.out))
        << result.out;
    EXPECT_TRUE(receiver.take().empty());
}

TEST_F(Resolver, NeverLooksUpWhenAnAddressIsGivenOrTheNameIsNumeric)
{
    const struct {
        std::vector<std::string> arguments;
        const char* shown;
    } cases[] = {
        {{"-d", "no.such.name.test", "-i", "127.0.0.1"}, "127.0.0.1"},
        {{"-i", "127.0.0.1", "-d", "other.test"}, "127.0.0.1"},
        {{"-d", "127.0.0.1"}, "127.0.0.1"},
        {{"-d", "other.test", "-d", "localhost"}, "127.0.0.1"},
    };
    for (const auto& c : cases) {
        UdpReceiver receiver;
        auto arguments = c.arguments;
        arguments.insert(arguments.end(), {"-p", std::to_string(receiver.port()), "-v", "x"});
        const auto result = run_client(arguments, options_);
        EXPECT_EQ(result.status, 0) << describe(arguments);
        EXPECT_EQ(result.out, "destination address : " + std::string(c.shown) + ":"
                                  + std::to_string(receiver.port()) + ".\n")
            << describe(arguments);
        EXPECT_EQ(receiver.take(), std::vector<std::string>{"x"}) << describe(arguments);
    }
}

}  // namespace
}  // namespace e2e
