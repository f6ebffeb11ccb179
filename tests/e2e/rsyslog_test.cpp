// Records received by a real log daemon: rsyslogd in the foreground with the
// configuration the README shows (docs/rsyslog-vexmol.conf), moved to a port
// and into a folder of the test's own, so it touches no system path.

#include "cases.hpp"
#include "temporary_directory.hpp"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {
namespace {

const std::filesystem::path rsyslogd = "/usr/sbin/rsyslogd";

std::string source_file(const char* name)
{
    const char* directory = std::getenv("VEXMOL_SOURCE_DIR");
    std::ostringstream text;
    text << std::ifstream{std::filesystem::path(directory != nullptr ? directory : ".") / name}.rdbuf();
    return text.str();
}

class Rsyslog : public testing::Test {
protected:
    void SetUp() override
    {
        if (may_skip_missing(rsyslogd)) {
            GTEST_SKIP() << rsyslogd << " is not installed (tools/install-deps installs rsyslog)";
        }
        const auto& path = directory_.path();
        const Substitutions own_places{{"port=\"5140\"", "address=\"127.0.0.1\" port=\"" + port_ + "\""},
                                       {"/run/vexmol.sock", socket_},
                                       {"/var/log/vexmol.log", (path / "vexmol.log").string()}};
        const std::string configuration = source_file("docs/rsyslog-vexmol.conf");
        for (const auto& [system_place, own] : own_places) {
            ASSERT_NE(configuration.find(system_place), std::string::npos)
                << "the file has no " << system_place;
        }
        // Its own messages stay with it (not to /dev/log), and it looks up no name.
        std::ofstream{path / "rsyslog.conf"} << "global(workDirectory=\"" << path.string()
                                             << "\" processInternalMessages=\"on\" net.enableDNS=\"off\")\n"
                                             << expand(configuration, own_places);
        const auto pid_file = path / "rsyslogd.pid";
        daemon_.emplace(std::vector<std::string>{rsyslogd, "-n", "-f", (path / "rsyslog.conf").string(), "-i",
                                                 pid_file.string()},
                        pid_file);
        ASSERT_EQ(logged(), std::vector<std::string>{});
    }

    // What rsyslogd has logged, each record as it wrote it after the time,
    // once a marker sent through each input after everything else is logged
    // too (at most 20 s); the markers are left out.
    std::vector<std::string> logged()
    {
        const std::string marker = "marker " + std::to_string(++markers_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            // Sent again each round: rsyslogd may not be listening yet.
            static_cast<void>(run_client({"-i", "127.0.0.1", "-p", port_, "-v", marker + " udp"}));
            static_cast<void>(run_client({"-u", socket_, "-v", marker + " unix"}));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::vector<std::string> records;
            int markers_seen = 0;
            std::ifstream log{directory_.path() / "vexmol.log"};
            for (std::string line; std::getline(log, line);) {
                const std::string record = line.substr(line.find(' ') + 1);
                if (record.starts_with("marker ")) {
                    markers_seen |= record == marker + " udp" ? 1 : record == marker + " unix" ? 2 : 0;
                }
                else {
                    records.push_back(record);
                }
            }
            if (markers_seen == 3) {
                return records;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "rsyslogd did not log " << marker << " through both inputs within 20 s";
                return records;
            }
        }
    }

    TemporaryDirectory directory_;
    std::string port_ = std::to_string(UdpReceiver{}.port());  // free a moment ago
    std::string socket_ = (directory_.path() / "vexmol.sock").string();
    std::optional<Daemon> daemon_;
    int markers_ = 0;
};

TEST_F(Rsyslog, TheReadmeShowsTheConfigurationTested)
{
    EXPECT_NE(source_file("README.md").find("```\n" + source_file("docs/rsyslog-vexmol.conf") + "```\n"),
              std::string::npos);
}

TEST_F(Rsyslog, LogsEachRecordOnceAndIntactInEveryMode)
{
    const auto& path = directory_.path();
    std::ofstream{path / "hosts"} << "127.0.0.1 localhost\n127.0.0.1 collector.test\n";
    std::ofstream{path / "resolv.conf"} << "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n";
    const auto by_name = private_names(path / "hosts", path / "resolv.conf");
    if (!by_name) {
        GTEST_SKIP() << "a private mount namespace with a bind mount over /etc/hosts is not permitted here "
                        "(needs root, unshare and mount, and an /etc/hosts to bind over)";
    }
    const std::string udp_out = "destination address : 127.0.0.1:" + port_ + ".\n";
    const struct {
        std::vector<std::string> arguments;
        std::string out;
        bool from_file = false;
        RunOptions options{};
    } modes[] = {
        {{"-i", "127.0.0.1", "-p", port_}, udp_out},
        {{"-d", "collector.test", "-p", port_}, udp_out, false, *by_name},
        {{"-u", socket_}, ""},
        {{"-u", socket_}, "", true},
        {{"-i", "127.0.0.1", "-p", port_}, udp_out, true},
    };
    std::vector<std::string> sent;
    for (const auto& mode : modes) {
        for (const std::string kind :
             {"<14>app[42]: with its own header", "without a header", "of 1023 bytes"}) {
            std::string record = kind + " via " + mode.arguments[0] + (mode.from_file ? " -f" : " -v") + " ";
            if (kind == "of 1023 bytes") {
                record.resize(1023, 'x');
            }
            auto arguments = mode.arguments;
            if (mode.from_file) {
                std::ofstream{path / "value"} << record;
                arguments.insert(arguments.end(), {"-f", (path / "value").string()});
            }
            else {
                arguments.insert(arguments.end(), {"-v", record});
            }
            const auto result = run_client(arguments, mode.options);
            EXPECT_EQ(result.status, 0) << describe(arguments);
            EXPECT_EQ(result.out, mode.out) << describe(arguments);
            EXPECT_EQ(result.err, "") << describe(arguments);
            sent.push_back(record);
        }
    }
    auto received = logged();
    std::sort(sent.begin(), sent.end());
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, sent);
}

// Many scripts log to the local daemon at once.
TEST_F(Rsyslog, LogsEveryRecordOfOverlappingRunsOnce)
{
    const auto runs = run_concurrently(8, 100, {"-u", socket_}, [] {});
    expect_each_record_once(runs, logged(), "");
}

}  // namespace
}  // namespace e2e
