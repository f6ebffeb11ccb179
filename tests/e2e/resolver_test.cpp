// Destinations by name through the real system resolver: the program runs in
// a private mount namespace with a hosts file and a resolv.conf of the test's
// own bound over /etc/hosts and /etc/resolv.conf. The name server is dnsmasq,
// as routers run it, on a loopback address of its own with no upstream
// server, so no query can leave the machine.

#include "cases.hpp"
#include "temporary_directory.hpp"

#include <chrono>
#include <fstream>
#include <memory>

namespace e2e {
namespace {

const std::filesystem::path dnsmasq = "/usr/sbin/dnsmasq";
// Only the resolver tests use these addresses, and never two at once (CTest's lock vexmol_dns).
const std::string name_server = "127.0.0.153";
const std::string silent_server = "127.0.0.154";  // reads queries, never answers
const std::string answered_here = "nameserver " + name_server + "\noptions timeout:1 attempts:1\n";

// count loopback addresses from 127.0.FIRST.1 on, 250 to a third byte.
std::vector<std::string> addresses_from(int first, int count)
{
    std::vector<std::string> addresses;
    for (int i = 0; i < count; ++i) {
        addresses.push_back("127.0." + std::to_string(first + i / 250) + "." + std::to_string(1 + i % 250));
    }
    return addresses;
}

// The addresses of crowd.test in the hosts file and of throng.test in DNS.
const std::vector<std::string> crowd_in_hosts = addresses_from(1, 64);
const std::vector<std::string> crowd_in_dns = addresses_from(2, 64);

class Resolver : public testing::Test {
protected:
    void SetUp() override
    {
        const auto& path = directory_.path();
        std::ofstream hosts{path / "hosts"};
        hosts << "127.0.0.1 localhost\n"
                 "127.0.0.2 multi.test\n"
                 "127.0.0.1 multi.test\n"
                 "127.0.0.3 other.test\n";
        // More addresses than musl keeps (48), and a line of more aliases
        // than a kilobyte holds, each found by its first address: neither
        // may be taken for a missing host when the answer outgrows a buffer.
        for (const auto& address : crowd_in_hosts) {
            hosts << address << " crowd.test\n";
        }
        hosts << "127.0.0.5 canonical.test first.alias.test aliased.test";
        for (int i = 0; i < 150; ++i) {
            hosts << " alias-" << i << ".test";
        }
        hosts << "\n";
        // A line larger than the largest buffer (glibc must read it for
        // every name not found before it), and a name after it.
        hosts << "127.0.0.6 huge.test";
        for (int i = 0; i < 6000; ++i) {
            hosts << " huge-alias-" << i << ".test";
        }
        hosts << "\n127.0.0.7 after.test\n";
        hosts.close();
        std::ofstream dns_hosts{path / "dns-hosts"};
        dns_hosts << "127.0.0.2 many.test\n127.0.0.3 many.test\n127.0.0.4 many.test\n";
        for (const auto& address : crowd_in_dns) {
            dns_hosts << address << " throng.test\n";
        }
        dns_hosts.close();
        write_resolv_conf(answered_here);
        auto options = private_names(path / "hosts", path / "resolv.conf");
        if (!options) {
            GTEST_SKIP() << "a private mount namespace with bind mounts over /etc/hosts and /etc/resolv.conf "
                            "is not permitted here (needs root, unshare and mount, and both files to exist)";
        }
        options_ = *options;
        if (may_skip_missing(dnsmasq)) {
            GTEST_SKIP() << dnsmasq << " is not installed (tools/install-deps installs dnsmasq-base)";
        }
        // Only the names given here, under domains it answers for alone:
        // anything else under .test or .lan is NXDOMAIN, any other name REFUSED.
        server_.emplace(
            std::vector<std::string>{
                dnsmasq, "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
                "--bind-interfaces", "--listen-address=" + name_server, "--port=53", "--user=root",
                "--pid-file=" + (path / "dnsmasq.pid").string(),
                "--log-facility=" + (path / "dnsmasq.log").string(), "--local=/test/", "--local=/lan/",
                "--host-record=one.test,127.0.0.2", "--cname=alias.test,one.test",
                "--addn-hosts=" + (path / "dns-hosts").string(), "--host-record=logs.lan,127.0.0.3",
                "--host-record=v6only.test,fd00::1"},
            path / "dnsmasq.pid");
    }

    void write_resolv_conf(const std::string& text) const
    {
        std::ofstream{directory_.path() / "resolv.conf"} << text;
    }

    TemporaryDirectory directory_;
    RunOptions options_;
    std::optional<Daemon> server_;
};

TEST_F(Resolver, SendsToTheFirstAddressOfTheAnswerOrReportsTheResolversError)
{
    // The resolver's error by name, where the two libcs differ.
    const bool musl = target_libc() == "musl";
    const std::vector<std::string> nowhere = {"127.0.0.2", "127.0.0.3", "127.0.0.4"};
    const struct {
        std::string name;
        std::vector<std::string> addresses;  // the one printed must be one of these; empty: none
        std::string error{};
        std::string resolv_conf = answered_here;
    } cases[] = {
        {"multi.test", {"127.0.0.2"}},  // the hosts file, in its own order
        {"crowd.test", {crowd_in_hosts.front()}},
        {"aliased.test", {"127.0.0.5"}},
        {"huge.test", {"127.0.0.6"}},
        {"after.test", {"127.0.0.7"}},
        {"one.test", {"127.0.0.2"}},
        {"one.test.", {"127.0.0.2"}},
        {"alias.test", {"127.0.0.2"}},
        {"many.test", {"127.0.0.2", "127.0.0.3", "127.0.0.4"}},  // dnsmasq rotates the answer
        // More than a UDP answer holds: musl takes the part that came, glibc asks again over TCP.
        {"throng.test", crowd_in_dns},
        {"logs", {"127.0.0.3"}, "", "search lan\n" + answered_here},
        {"no.such.name.test", {}, "HOST_NOT_FOUND"},
        {"v6only.test", {}, musl ? "HOST_NOT_FOUND" : "NO_DATA"},
        // A server with no upstream, as on a router whose uplink is down:
        // glibc gives up at once, musl waits out its timeout first.
        {"refused.example", {}, "TRY_AGAIN"},
        {"silent.test", {}, "TRY_AGAIN", "nameserver " + silent_server + "\noptions timeout:1 attempts:1\n"},
    };
    UdpReceiver silent{silent_server.c_str(), 53};
    for (const auto& c : cases) {
        write_resolv_conf(c.resolv_conf);
        // A receiver at each address the datagram may go to, or, where none, at some it must not.
        const auto& watched = c.addresses.empty() ? nowhere : c.addresses;
        std::vector<std::unique_ptr<UdpReceiver>> receivers;
        for (const auto& address : watched) {
            receivers.push_back(
                std::make_unique<UdpReceiver>(address.c_str(), receivers.empty() ? 0 : receivers[0]->port()));
        }
        const std::string port = std::to_string(receivers[0]->port());
        const std::vector<std::string> arguments = {"-d", c.name, "-p", port, "-v", "x"};
        const auto started = std::chrono::steady_clock::now();
        const auto result = run_client_watched(arguments, options_, describe(arguments));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << c.name;
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        std::string expected = "[ERROR] [line:75] [get_ip_by_domain] get ip failed by " + c.name
                               + "! errno : " + (c.error.empty() ? "" : error_report(c.error)) + ".\n"
                               + "[line:199] [main] get ipv4 address by domain failed!\n";
        for (const auto& address : c.addresses) {
            if (result.out == "destination address : " + address + ":" + port + ".\n") {
                expected = result.out;
            }
        }
        EXPECT_EQ(result.out, expected) << c.name;
        // The datagram went to the printed address, and nowhere else.
        for (std::size_t i = 0; i < receivers.size(); ++i) {
            const bool chosen = result.out.find(" " + watched[i] + ":") != std::string::npos;
            EXPECT_EQ(receivers[i]->take().size(), chosen ? 1U : 0U) << c.name << " at " << watched[i];
        }
    }
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
