// The whole program over a local Unix-domain socket. Every run binds the one
// fixed sender path, so CTest never runs these tests beside each other.

#include "cases.hpp"
#include "temporary_directory.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace e2e {
namespace {

const std::filesystem::path sender_path = "/tmp/vexmol_log_fd";

bool is_socket_node(const std::filesystem::path& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

class UnixDomain : public testing::Test {
protected:
    UnixDomain() { clear_sender_path(); }
    ~UnixDomain() override { clear_sender_path(); }

    static void clear_sender_path()
    {
        std::error_code ignored;
        std::filesystem::remove_all(sender_path, ignored);
    }

    // A receiver path of exactly this many characters inside the test's directory.
    [[nodiscard]] std::filesystem::path path_of_length(std::size_t length) const
    {
        const std::string directory = directory_.path().string() + "/";
        return directory + std::string(length - directory.size(), 'r');
    }

    // Runs the program with a receiver at "{receiver}" and checks what arrives.
    void run_table(const std::vector<Case>& cases, const std::filesystem::path& receiver_path)
    {
        for (const auto& c : cases) {
            clear_sender_path();
            UnixReceiver receiver{receiver_path};
            const Substitutions substitutions{{"{receiver}", receiver.path().string()},
                                              {"{dir}", directory_.path().string()}};
            const auto arguments = expand(c.arguments, substitutions);
            const std::string label = describe(arguments);
            expect_run(run_client_watched(arguments, {}, label), c, substitutions, label);
            const auto received = receiver.take();
            if (c.datagram) {
                ASSERT_EQ(received.size(), 1U) << label;
                EXPECT_EQ(received.front().bytes, *c.datagram) << label;
                EXPECT_EQ(received.front().sender, sender_path.string()) << label;
                EXPECT_TRUE(is_socket_node(sender_path))
                    << "the sender's node stays after the run; " << label;
            }
            else {
                EXPECT_TRUE(received.empty()) << label;
            }
        }
    }

    TemporaryDirectory directory_;
};

TEST_F(UnixDomain, DeliversTheValueFromTheFixedSenderPath)
{
    const std::string need_value = "[line:225] [main] need value!\n";
    std::filesystem::create_symlink(directory_.path() / "receiver", directory_.path() / "link");
    run_table(
        {
            {{"-u", "{receiver}", "-v", "hello"}, "", "hello"},
            {{"-u", "{dir}/link", "-v", "through a symlink"}, "", "through a symlink"},
            {{"-u{receiver}", "-vhello\nworld"}, "", "hello\nworld"},
            {{"-u", "{receiver}", "-v", std::string(1023, 'z')}, "", std::string(1023, 'z')},
            // The UDP destination is neither needed nor looked at.
            {{"-i", "not an address", "-d", "no.such.name.test", "-p", "0", "-u", "{receiver}", "-v", "x"},
             "",
             "x"},
            {{"-p", "70000", "-u", "{receiver}", "-v", "x"}, "", "x"},
            {{"-u", "{receiver}"}, need_value, {}},
            {{"-u", "{receiver}", "-v", ""}, need_value, {}},
            // A -u path too long to keep leaves the earlier one standing.
            {{"-u", "{receiver}", "-u", "/" + std::string(127, 'u'), "-v", "x"},
             "[line:139] [main] unix domain's length error!\n",
             "x"},
            // An empty -u turns the run back to UDP.
            {{"-u", "{receiver}", "-v", "x", "-u", ""},
             "[line:183] [main] need ipv4 address or domain!\n",
             {}},
        },
        directory_.path() / "receiver");
}

TEST_F(UnixDomain, ReplacesTheNodeAnEarlierRunLeft)
{
    UnixReceiver receiver{directory_.path() / "receiver"};
    for (const char* value : {"first", "second"}) {
        const auto result = run_client({"-u", receiver.path().string(), "-v", value});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "");
        EXPECT_TRUE(is_socket_node(sender_path));
    }
    const auto received = receiver.take();
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[0].bytes, "first");
    EXPECT_EQ(received[1].bytes, "second");
}

TEST_F(UnixDomain, RefusesPathsTooLongForASocketAddress)
{
    const std::string too_long =
        "[ERROR] [line:229] [main] unix domain path too long! at most 107 characters, path : ";
    for (const std::size_t length : {108U, 127U}) {
        const auto path = path_of_length(length).string();
        const auto result = run_client({"-u", path, "-v", "x"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, too_long + path + ".\n") << length;
        EXPECT_FALSE(std::filesystem::exists(sender_path)) << "no socket may be made for " << length;
    }
    run_table({{{"-u", "{receiver}", "-v", "at the limit"}, "", "at the limit"}}, path_of_length(107));
}

TEST_F(UnixDomain, ReportsASendNobodyReceives)
{
    // A socket node that no socket is bound to any more, as a receiver that died leaves it.
    const auto stale = directory_.path() / "stale";
    ASSERT_EQ(::mknod(stale.c_str(), S_IFSOCK | 0600, 0), 0);
    for (const auto& [receiver, error] :
         {std::pair{directory_.path() / "nobody", "ENOENT"}, std::pair{stale, "ECONNREFUSED"}}) {
        const auto result = run_client({"-u", receiver.string(), "-v", "x"});
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(matches("[line:244] [main] send udp data failed! fd : {*}, errno : " + error_report(error)
                                + ".\n",
                            result.out))
            << result.out;
        EXPECT_EQ(result.err, "");
    }
}

// Each socket call of the send failing for real, as strace makes it fail:
// one line, nothing sent, status 0. A peer that cannot be asked its name
// cannot be checked, so nothing goes to it.
TEST_F(UnixDomain, ReportsEachFailingSocketCall)
{
    if (std::system("command -v strace >/dev/null") != 0) {
        GTEST_SKIP() << "strace is not installed";
    }
    // Lines just short of filling stdout's 1024-byte buffer, so the next one is written at once.
    std::vector<std::string> filling;
    for (int line = 0; line < 22; ++line) {
        filling.insert(filling.end(), {"-i", std::string(40, '1')});
    }
    const struct {
        std::string fault;  // strace's inject= argument
        std::string error;  // the one line's error; empty: no line
        bool delivered = false;
        bool close_stdout = false;
    } cases[] = {
        {"connect:error=ENOENT", "ENOENT"},
        {"connect:error=ECONNREFUSED", "ECONNREFUSED"},
        {"connect:error=EACCES", "EACCES"},
        {"getpeername:error=ENOBUFS", "ENOBUFS"},
        {"sendto:error=ENOBUFS", "ENOBUFS"},
        // The receiver gone between connect and send, as a restarting daemon: its successor gets the record.
        {"sendto:error=ECONNREFUSED:when=1", "", true},
        {"sendto:error=ECONNREFUSED", "ECONNREFUSED"},
        // With stdout closed, the socket must not take its place: the line
        // that overflows stdout's buffer must not reach the receiver.
        {"sendto:error=ECONNREFUSED", "", false, true},
    };
    for (const auto& c : cases) {
        clear_sender_path();
        UnixReceiver receiver{directory_.path() / "receiver"};
        RunOptions options;
        options.close_stdout = c.close_stdout;
        // LeakSanitizer cannot work under ptrace: a sanitized build leaves leaks to the other runs.
        options.wrapper = {"sh", "-c",
                           "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" "
                           "exec strace -f -o /dev/null -e \"$0\" \"$@\"",
                           "inject=" + c.fault};
        auto arguments = c.close_stdout ? filling : std::vector<std::string>{};
        arguments.insert(arguments.end(), {"-u", receiver.path().string(), "-v", "x"});
        const auto result = run_client(arguments, options);
        EXPECT_EQ(result.status, 0) << c.fault;
        EXPECT_TRUE(c.error.empty() ? result.out.empty()
                                    : matches("[line:244] [main] send udp data failed! fd : {*}, errno : "
                                                  + error_report(c.error) + ".\n",
                                              result.out))
            << c.fault << ": " << result.out;
        EXPECT_EQ(receiver.take().size(), c.delivered ? 1U : 0U) << c.fault;
    }
}

// Bytes no message may carry raw: a line end, ESC, DEL, and a backslash that stays.
const std::string odd_bytes = "a\nb\x1b[1m\x7f\\";
const std::string odd_bytes_echoed = "a\\x0ab\\x1b[1m\\x7f\\";

const std::string own_socket_refusal =
    "[ERROR] [line:240] [main] unix domain path is the sender's own socket! path : ";

sockaddr_un address_of(const std::filesystem::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// Leaves a socket node at the path, as a run that ended would.
void leave_socket_node(const std::filesystem::path& path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    const sockaddr_un address = address_of(path);
    ASSERT_EQ(::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(descriptor);
}

TEST_F(UnixDomain, RefusesToSendToItsOwnSocket)
{
    const auto self_link = directory_.path() / ("self" + odd_bytes);
    std::filesystem::create_symlink(sender_path, self_link);
    const struct {
        std::string path;
        std::string shown;
    } cases[] = {
        {sender_path.string(), sender_path.string()},
        {"/tmp/./vexmol_log_fd", "/tmp/./vexmol_log_fd"},
        {"/tmp/../tmp/vexmol_log_fd", "/tmp/../tmp/vexmol_log_fd"},
        {self_link.string(), (directory_.path() / "self").string() + odd_bytes_echoed},
    };
    for (const auto& c : cases) {
        for (const bool stale_node : {false, true}) {
            clear_sender_path();
            if (stale_node) {
                leave_socket_node(sender_path);
            }
            const auto result = run_client({"-u", c.path, "-v", "lost if sent"});
            EXPECT_EQ(result.status, 0) << c.shown;
            EXPECT_EQ(result.out, own_socket_refusal + c.shown + ".\n") << "stale node: " << stale_node;
            EXPECT_EQ(result.err, "");
            EXPECT_TRUE(is_socket_node(sender_path)) << "the sender is bound before it compares";
        }
    }
}

// Overlapping runs replace the node at the sender path at any moment. A run
// told to send there, by whatever path, must refuse, or fail to reach what it
// finds there (no node just after another run removed it, a node whose run has
// ended, another run's socket that takes datagrams only from its own peer);
// it must never send to another run's socket. The ordinary runs beside it
// lose no record.
TEST_F(UnixDomain, OverlappingRunsNeverSendToTheSenderPath)
{
    const auto self_link = directory_.path() / "self";
    std::filesystem::create_symlink(sender_path, self_link);
    UnixReceiver receiver{directory_.path() / "receiver"};
    const std::string no_receiver = "[line:244] [main] send udp data failed! fd : {*}, errno : ";
    for (const std::string& path :
         {sender_path.string(), self_link.string(), std::string("/tmp/../tmp/vexmol_log_fd"),
          std::filesystem::relative(sender_path).string()}) {
        // A process that keeps binding the sender path anew, as any may, and
        // counts what reaches it: every such record was sent to a sender socket.
        // Between two tries it sleeps, whether it took the name or lost it to a run.
        std::atomic<bool> done{false};
        std::size_t caught = 0;
        std::thread rebinder{[&] {
            // Spelt otherwise than runs spell it, as another program might.
            const sockaddr_un address = address_of("//tmp/./vexmol_log_fd");
            std::array<char, 64> buffer{};
            while (!done) {
                const int descriptor = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
                ::unlink(sender_path.c_str());
                const bool bound =
                    ::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                while (bound && ::recv(descriptor, buffer.data(), buffer.size(), 0) >= 0) {
                    ++caught;
                }
                ::close(descriptor);
            }
        }};
        std::vector<LoadRun> refused;
        std::thread self_runs{[&] { refused = run_concurrently(4, 50, {"-u", path}, [] {}); }};
        std::vector<std::string> received;
        const auto delivered = run_concurrently(4, 50, {"-u", receiver.path().string()}, [&] {
            for (auto& datagram : receiver.take()) {
                received.push_back(std::move(datagram.bytes));
            }
        });
        self_runs.join();
        done = true;
        rebinder.join();
        EXPECT_EQ(caught, 0U) << path;
        expect_each_record_once(delivered, received, "");
        for (const auto& run : refused) {
            const auto failed_as = [&](const char* error) {
                return matches(no_receiver + error_report(error) + ".\n", run.result.out);
            };
            EXPECT_TRUE(run.result.out == own_socket_refusal + path + ".\n" || failed_as("ENOENT")
                        || failed_as("ECONNREFUSED") || failed_as("EPERM"))
                << path << ": " << run.result.out;
        }
    }
}

TEST_F(UnixDomain, EchoesOddBytesInPathsEscaped)
{
    const std::string long_path = path_of_length(110).string() + odd_bytes;
    const auto result = run_client({"-u", long_path, "-v", "x"});
    EXPECT_EQ(result.out,
              "[ERROR] [line:229] [main] unix domain path too long! at most 107 characters, path : "
                  + path_of_length(110).string() + odd_bytes_echoed + ".\n");
}

// Many scripts log at once on a device: every record of every run must
// arrive, though all runs bind the one sender path.
TEST_F(UnixDomain, OverlappingRunsLoseNoRecord)
{
    UnixReceiver receiver{directory_.path() / "receiver"};
    std::vector<std::string> received;
    const auto runs = run_concurrently(8, 100, {"-u", receiver.path().string()}, [&] {
        for (auto& datagram : receiver.take()) {
            received.push_back(std::move(datagram.bytes));
        }
    });
    expect_each_record_once(runs, received, "");
}

// A slow run (a slow core, a busy device, a tracer) can lose the race for the
// sender path to other runs many times in a row; it keeps trying for up to a
// second, and its record arrives like every other. Here slow runs stop for a
// millisecond after each of their first dozen unlinks, among twelve busy
// workers, and strace makes those binds fail as lost races do (more than runs
// were seen to lose in a row on a busy machine), or every bind, which must
// end the run with 236 once the second is spent. A run that stopped after
// every unlink for the whole second would lose to the busy workers now and
// then, as such a run may.
TEST_F(UnixDomain, ASlowRunKeepsTryingToBindForASecond)
{
    if (std::system("command -v strace >/dev/null") != 0) {
        GTEST_SKIP() << "strace is not installed";
    }
    const auto slowed = [](const std::string& losses) {
        RunOptions options;
        options.wrapper = {
            "sh", "-c",
            "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" exec strace -f -o /dev/null "
            "-e inject=unlink,unlinkat:delay_exit=1000:when=1..12 -e "
            "inject=bind:error=EADDRINUSE:when=\"$0\" "
            "\"$@\"",
            losses};
        return options;
    };
    UnixReceiver receiver{directory_.path() / "receiver"};
    std::vector<LoadRun> slow(std::max<std::size_t>(10 / load_divisor(), 2));
    LoadRun beaten{"never binds", {}};
    std::chrono::duration<double> beaten_for{};
    std::vector<std::string> received;
    auto all = run_busy_while(
        12, {"-u", receiver.path().string()},
        [&] {
            for (auto& datagram : receiver.take()) {
                received.push_back(std::move(datagram.bytes));
            }
        },
        [&] {
            for (std::size_t i = 0; i < slow.size(); ++i) {
                slow[i].value = "slow r" + std::to_string(i);
                slow[i].result =
                    run_client({"-u", receiver.path().string(), "-v", slow[i].value}, slowed("1..12"));
            }
            const auto started = std::chrono::steady_clock::now();
            beaten.result = run_client({"-u", receiver.path().string(), "-v", beaten.value}, slowed("1+"));
            beaten_for = std::chrono::steady_clock::now() - started;
        });
    all.insert(all.end(), slow.begin(), slow.end());
    expect_each_record_once(all, received, "");
    EXPECT_TRUE(matches(
        "[line:236] [main] bind unix domain socket failed, errno : " + error_report("EADDRINUSE") + ".\n",
        beaten.result.out))
        << beaten.result.out;
    EXPECT_GE(beaten_for.count(), 1.0) << "a run gives up only after trying for a second";
}

TEST_F(UnixDomain, ReportsABindThatCannotHappen)
{
    // A directory with something in it cannot be unlinked, so the bind finds its name taken.
    std::filesystem::create_directories(sender_path / "occupied");
    UnixReceiver receiver{directory_.path() / "receiver"};
    const auto result = run_client({"-u", receiver.path().string(), "-v", "x"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(matches(
        "[line:236] [main] bind unix domain socket failed, errno : " + error_report("EADDRINUSE") + ".\n",
        result.out))
        << result.out;
    EXPECT_TRUE(receiver.take().empty());
}

}  // namespace
}  // namespace e2e
