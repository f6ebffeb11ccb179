// The whole program over a local Unix-domain socket. Every run binds the one
// fixed sender path, so CTest never runs these tests beside each other.

#include "cases.hpp"
#include "temporary_directory.hpp"

#include <sys/stat.h>

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
            expect_run(run_client(arguments), c, substitutions, label);
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
    run_table(
        {
            {{"-u", "{receiver}", "-v", "hello"}, "", "hello"},
            {{"-u{receiver}", "-vhello\nworld"}, "", "hello\nworld"},
            {{"-u", "{receiver}", "-v", std::string(1023, 'z')}, "", std::string(1023, 'z')},
            // The UDP destination is neither needed nor looked at.
            {{"-i", "not an address", "-d", "no.such.name.test", "-p", "0", "-u", "{receiver}", "-v", "x"},
             "",
             "x"},
            {{"-p", "70000", "-u", "{receiver}", "-v", "x"}, "", "x"},
            {{"-u", "{receiver}"}, need_value, {}},
            {{"-u", "{receiver}", "-v", ""}, need_value, {}},
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
